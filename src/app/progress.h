#pragma once
// The /0 progress counter on standard error.

#include <chrono>
#include <string>

namespace vestrel {

// The /0 progress counter: a carriage return and the output count for every accepted record,
// gathered and written to standard error in large pieces rather than one write per record
// (which takes 0.33 s CPU instead of 0.15 s on make bench's 1M lines, into /dev/null).
struct ProgressCounter {
    std::string pending;
    std::string shown = "\r0";  // CR and the output count in decimal, counted up in place
    std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();
    unsigned linesSinceLook = 0;
};

// Counts one accepted record and gathers its "\r" + count.
void countProgress(ProgressCounter& progress);
// Writes what is gathered.
void writeProgress(ProgressCounter& progress);
// Called once per line while progress waits: writes it when it is old enough or large.
void pendProgress(ProgressCounter& progress);

}  // namespace vestrel
