#pragma once
// The last record step: /d deletes named opcodes, /a selects and orders them, and the output
// line is built.

#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// Names of an /a or /d list: trimmed, spaces as commas, items between commas (may be empty).
std::vector<std::string> nameList(std::string_view list);

// Builds the EPD line to write. `opcodeText` may be edited; `scratch` is a reused buffer.
void buildOutputLine(std::string_view positionFields, std::string& opcodeText,
                     const RunSettings& settings, std::string& line, std::string& scratch);

}  // namespace vestrel
