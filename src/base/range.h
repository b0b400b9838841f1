#pragma once
// The shared operand grammar "[+-~]x|y-z" of /p, /m and the params terms, and the /t times.

#include <string_view>

#include "base/settings.h"

namespace vestrel {

// True when `text` is a well-formed range specification.
bool checkRangeSyntax(std::string_view text);

// Stores a range operand that passed checkRangeSyntax; an open from-to takes `openUpper`.
Range storeRange(std::string_view text, int openUpper = 999);

// Does the value pass the stored range? Kind none passes everything.
bool rangeTest(long long value, const Range& range);

// Does a five-character time pass the /t setting? Times compare as texts.
bool timeTest(std::string_view time, const TimeSetting& setting);

// Does one params term (letter, optional range, "/") hold for a record's params text?
bool matchParamsTerm(std::string_view term, std::string_view params);

}  // namespace vestrel
