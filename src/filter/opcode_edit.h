#pragma once
// The last record step: /d deletes named opcodes, /a selects and orders them, and the output
// line is built.

#include <string>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

// Builds the EPD line to write. `opcodeText` may be edited; `scratch` is a reused buffer.
void buildOutputLine(std::string_view positionFields, std::string& opcodeText,
                     const RunSettings& settings, std::string& line, std::string& scratch);

}  // namespace vestrel
