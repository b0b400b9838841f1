#pragma once
// The last record step: /d deletes named opcodes, /a selects and orders them, and the output
// line is built.

#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// What the output line takes from the options: the /a choice of opcodes and the /d names.
struct OutputLineSettings {
    OpcodeChoice append = OpcodeChoice::All;
    std::vector<std::string> appendNames;  // with Listed, in the order given
    std::vector<std::string> deleteNames;  // empty: nothing deleted
};

// Builds the EPD line to write. `opcodeText` may be edited; `scratch` is a reused buffer.
void buildOutputLine(std::string_view positionFields, std::string& opcodeText,
                     const OutputLineSettings& settings, std::string& line, std::string& scratch);

}  // namespace vestrel
