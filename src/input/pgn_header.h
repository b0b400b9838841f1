#pragma once
// Condenses a stipulation written in a PGN header tag ("Mate in 3", "Hilfsmatt in 2") into a
// mate info text such as "#3" or "h#2".

#include <string>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

// Returns true and sets `mateInfo` when the header line states a usable stipulation.
// `work` and `scratch` are reused buffers.
bool examineHeaderLine(std::string_view line, const RunSettings& settings, std::string& mateInfo,
                       std::string& work, std::string& scratch);

}  // namespace vestrel
