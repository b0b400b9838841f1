#pragma once
// The test of the typed number ranges of /p, /m and the params terms.

#include "base/settings.h"

namespace vestrel {

// Does the value pass the stored range? Kind none passes everything.
bool rangeTest(long long value, const Range& range);

}  // namespace vestrel
