#pragma once
// The long options of verification: --verify[=N], --threads=N and --verify-nodes=N.

#include <string_view>

#include "base/settings.h"

namespace vestrel {

// The longest stipulation --verify=N takes.
inline constexpr int kMaxVerifyMoves = 15;
inline constexpr int kMaxThreads = 1024;

// True for an argument that names one of the verification options, with or without a value.
bool isVerifyOption(std::string_view argument);
// Stores the option's value; false when the value is missing, not a number or out of range.
bool applyVerifyOption(std::string_view argument, VerifySetting& verify);

}  // namespace vestrel
