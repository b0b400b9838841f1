#pragma once
// The /u: solution-time update: every mm:ss time of the database divided by a factor.

#include <string>

#include "base/file_status.h"
#include "base/settings.h"

namespace vestrel {

// Rescales the times of one line in place; returns how many were converted.
int updateLineTimes(std::string& line, double factor);

// Rewrites the database file with rescaled times, keeping the old one as ".bak", and writes
// the closing line to standard error; error messages are the caller's.
FileStatus updateSolutionTimes(const RunSettings& settings);

}  // namespace vestrel
