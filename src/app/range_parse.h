#pragma once
// The operand grammar "[+-~]x|y-z" of /p, /m and the params terms: the syntax check and the
// typed ranges and params terms it yields.

#include <cstdint>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

// The upper bound of an open from-to ("3-"): for /p and /m, and for a params term.
inline constexpr std::int32_t kOpenUpperBound = 999;
inline constexpr std::int32_t kParamsOpenUpperBound = 222;

// True when `text` is a well-formed range specification.
bool checkRangeSyntax(std::string_view text);

// The range of an operand that passed checkRangeSyntax; an open from-to takes `openUpper`.
Range storeRange(std::string_view text, std::int32_t openUpper = kOpenUpperBound);

// Reads one params term (letter, optional range, closing "/"); false when its letter is not
// one of CRKPX in either case or its range fails the syntax check.
bool parseParamsTerm(std::string_view term, ParamsTerm& out);

}  // namespace vestrel
