#pragma once
// The tests of the typed ranges: a value against a range, a time against the /t setting and
// a params term against a record's params text.

#include <string_view>

#include "base/settings.h"

namespace vestrel {

// Does the value pass the stored range? Kind none passes everything.
bool rangeTest(long long value, const Range& range);

// Does a five-character time pass the /t setting? Times compare as texts.
bool timeTest(std::string_view time, const TimeSetting& setting);

// Does one params term hold for a record's params text (its entries, each ended by "/")?
bool matchParamsTerm(const ParamsTerm& term, std::string_view params);

}  // namespace vestrel
