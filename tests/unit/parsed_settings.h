#pragma once
// Settings exactly as option parsing leaves them, so the record steps are tested with what
// the program hands them.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/options.h"

namespace vestrel {

inline RunSettings parsedSettings(std::initializer_list<std::string> arguments) {
    RunSettings settings;
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    const OptionResult result = parseArguments(views, settings);
    if (result.verdict != OptionVerdict::Ok) {
        ADD_FAILURE() << "option rejected: " << result.argument;
    }
    return settings;
}

}  // namespace vestrel
