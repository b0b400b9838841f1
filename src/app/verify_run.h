#pragma once
// Verification inside the record run: the records of a batch are solved on all threads, then
// written in input order with their verdicts, so that every thread count gives the same bytes.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "base/output.h"
#include "base/settings.h"
#include "input/epd_line.h"
#include "solver/verify.h"

namespace vestrel {

// One record of a batch: an accepted record to verify and write, or the log bytes of a
// record that marking set aside, kept so the log stays in input order.
struct VerifyEntry {
    bool accepted = false;
    std::int64_t line = 0;  // the record's line in the input, for the report
    SplitRecord split;
    std::string markLog;
    RecordVerdict verdict;
};

struct VerifyRun {
    VerifyLimits limits;
    int threads = 1;
    std::vector<VerifyEntry> batch;  // reused: `used` entries are filled
    std::size_t used = 0;
    std::vector<SolverState> solvers;  // one per thread
    std::array<std::int64_t, kVerdictKinds> counts{};
    // The progress line, shown only on a terminal.
    bool showProgress = false;
    std::int64_t verified = 0;
    std::uint64_t inputSize = 0;
    std::chrono::steady_clock::time_point start, lastShown;
};

// Prepares verification for the run: threads, solver tables, the batch and the progress line.
void startVerifyRun(const RunSettings& settings, int inputFd, VerifyRun& run);

// The next free entry of the batch; the batch is full when `used` reaches its size.
VerifyEntry& nextEntry(VerifyRun& run);
inline bool batchFull(const VerifyRun& run) { return run.used == run.batch.size(); }

// Solves the accepted records of the batch, spread over the threads, and counts verdicts.
void solveBatch(VerifyRun& run);

// Writes the verdict of an entry that is not sound to the log: the position fields and the
// verdict in an id tag.
void writeVerdictLog(const VerifyEntry& entry, BufferedWriter& log);

// Shows how far the run has come, at most a few times a second; `force` shows it at once.
void showVerifyProgress(VerifyRun& run, const LineReader& input, bool force);

// The closing report's line of verdict counts: "Stipulations: 6 sound, 1 cooked, ...".
std::string verdictCountLine(const VerifyRun& run);

}  // namespace vestrel
