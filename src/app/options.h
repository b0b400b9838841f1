#pragma once
// The command line: every switch, its operand and what it stores in the run settings.

#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

enum class OptionVerdict { Ok, Illegal, Unknown };

struct OptionResult {
    OptionVerdict verdict = OptionVerdict::Ok;
    std::string argument;  // the offending argument as typed
};

// Parses the arguments from first to last into `settings` (which holds the defaults);
// stops at the first illegal or unknown option.
OptionResult parseArguments(const std::vector<std::string_view>& arguments, RunSettings& settings);

}  // namespace vestrel
