#include "app/verify_run.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <thread>

#include "base/platform.h"
#include "text/text.h"

namespace vestrel {

namespace {

using Clock = std::chrono::steady_clock;

// Records per thread in one batch: enough to keep every thread busy between two joins.
constexpr std::size_t kRecordsPerThread = 256;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

// Solves the batch's accepted records, taking the next unsolved one until none is left.
void solveShare(VerifyRun& run, SolverState& solver, std::atomic<std::size_t>& next) {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < run.used;) {
        VerifyEntry& entry = run.batch[i];
        if (!entry.accepted) continue;
        entry.verdict =
            verifyRecord(entry.split.positionFields, entry.split.opcodeText, run.limits, solver);
    }
}

void appendFixed(std::string& out, double value, int decimals) {
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

}  // namespace

void startVerifyRun(const RunSettings& settings, int inputFd, VerifyRun& run) {
    int threads = settings.verify.threads;
    if (threads == 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
    run.threads = threads;
    run.limits = VerifyLimits{settings.verify.maxMoves, settings.verify.nodes};
    run.solvers.resize(std::size_t(threads));
    for (SolverState& solver : run.solvers) prepareSolver(solver);
    run.batch.resize(kRecordsPerThread * std::size_t(threads));
    run.used = 0;
    run.showProgress = !settings.noOutput && isTerminal(kStandardError);
    run.inputSize = fileSize(inputFd);
    run.start = run.lastShown = Clock::now();
}

VerifyEntry& nextEntry(VerifyRun& run) {
    VerifyEntry& entry = run.batch[run.used++];
    entry.accepted = false;
    entry.markLog.clear();
    return entry;
}

void solveBatch(VerifyRun& run) {
    if (run.used == 0) return;
    std::atomic<std::size_t> next{0};
    const std::size_t helpers = std::min(std::size_t(run.threads), run.used) - 1;
    std::vector<std::thread> workers;
    workers.reserve(helpers);
    for (std::size_t t = 0; t < helpers; ++t) {
        workers.emplace_back(solveShare, std::ref(run), std::ref(run.solvers[t + 1]),
                             std::ref(next));
    }
    solveShare(run, run.solvers[0], next);
    for (std::thread& worker : workers) worker.join();
    for (std::size_t i = 0; i < run.used; ++i) {
        if (!run.batch[i].accepted) continue;
        ++run.counts[std::size_t(run.batch[i].verdict.verdict)];
        ++run.verified;
    }
}

void writeVerdictLog(const VerifyEntry& entry, BufferedWriter& log) {
    if (entry.verdict.verdict == Verdict::Sound) return;
    writeBytes(log, entry.split.positionFields);
    writeBytes(log, " id \"");
    writeBytes(log, entry.verdict.text);
    writeBytes(log, "\";");
    writeBytes(log, kLineEnd);
}

void showVerifyProgress(VerifyRun& run, const LineReader& input, bool force) {
    if (!run.showProgress) return;
    const Clock::time_point now = Clock::now();
    if (!force && now - run.lastShown < kProgressInterval) return;
    run.lastShown = now;
    const double seconds = std::chrono::duration<double>(now - run.start).count();
    const std::uint64_t unread = input.end - input.begin;
    const std::uint64_t done = input.bytesRead > unread ? input.bytesRead - unread : 0;
    const double share =
        run.inputSize == 0 ? 1.0 : std::min(1.0, double(done) / double(run.inputSize));
    std::string line = "\r";
    appendDecimal(line, run.verified);
    line.append(" verified  ");
    appendFixed(line, share * 100.0, 1);
    line.append("%  ");
    appendFixed(line, seconds > 0 ? double(run.verified) / seconds : 0.0, 0);
    line.append(" records/s  ");
    appendFixed(line, share > 0 ? seconds * (1.0 - share) / share : 0.0, 0);
    line.append(" s left   ");
    writeError(line);
}

std::string verdictCountLine(const VerifyRun& run) {
    std::string line = "Stipulations:";
    for (int v = 0; v < kVerdictKinds; ++v) {
        line.append(v == 0 ? " " : ", ");
        appendDecimal(line, run.counts[std::size_t(v)]);
        line.push_back(' ');
        line.append(verdictName(Verdict(v)));
    }
    line.append(kLineEnd);
    return line;
}

}  // namespace vestrel
