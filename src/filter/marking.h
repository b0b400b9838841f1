#pragma once
// Duplicate, mirror and illegal marking: the seen-position test of each record, logged with
// an id tag and counted (dropped silently in the database modes).

#include <string>
#include <string_view>

#include "app/run_state.h"
#include "base/settings.h"
#include "input/epd_line.h"

namespace vestrel {

enum class MarkVerdict { Passed, Marked };

// Position fields plus the solution part: " bm " and the stipulation up to its "#" or "=",
// or " bm #". The move count stays out, so mates in 2 and in 3 of one position collide.
void buildPositionKey(std::string_view positionFields, std::string_view opcodeText,
                      std::string& key);

MarkVerdict markRecord(const SplitRecord& record, const RunSettings& settings, RunState& state);

}  // namespace vestrel
