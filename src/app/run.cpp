#include "app/run.h"

#include <chrono>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "app/argument_kinds.h"
#include "app/files.h"
#include "app/input_files.h"
#include "app/messages.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/record_loop.h"
#include "app/run_state.h"
#include "app/step_settings.h"
#include "app/verify_run.h"
#include "base/output.h"
#include "base/platform.h"
#include "base/settings.h"
#include "database/rewrite.h"
#include "database/sort.h"
#include "database/time_update.h"
#include "report/report.h"
#include "text/text.h"

namespace vestrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kStdoutBuffer = std::size_t{1} << 20;

constexpr std::string_view kVersion = VESTREL_VERSION;

// Written without building a string: memory is what ran out.
constexpr std::string_view kNotEnoughMemory = "\nERROR: Not enough memory !\a\r\n";

int runDatabaseMode(const RunSettings& settings, Clock::time_point start) {
    const FileStatus status = settings.databaseMode == DatabaseMode::Sort
                                  ? sortDatabase(settings, start)
                                  : updateSolutionTimes(settings);
    if (status == FileStatus::Ok) return kExitOk;
    return fileErrorExit(status, settings);
}

// With --report: creates its file, before anything is read, and the state it gathers.
FileStatus startReportRun(const RunSettings& settings, const InputStream& input, RunState& state,
                          ReportFile& file, std::string& failedInput) {
    if (!settings.report.on()) return FileStatus::Ok;
    for (const InputFile& inputFile : input.files) {
        if (reportIsInput(settings, inputFile.name)) {
            failedInput = inputFile.name;
            return FileStatus::ReportIsInput;
        }
    }
    const FileStatus created = createReportFile(settings, file);
    if (created != FileStatus::Ok) return created;
    state.report = std::make_unique<Report>();
    startReport(*state.report, settings);
    return FileStatus::Ok;
}

// Writes the --report page with the counts of the closing report; false when it was lost.
bool writeReport(const RunSettings& settings, const RunState& state, ReportFile& file,
                 Clock::time_point start) {
    ReportSummary summary{state.lines, state.output, state.marking.duplicates,
                          state.marking.illegal, ""};
    appendElapsedSeconds(summary.elapsed, start);
    writeReportPage(*state.report, settings, summary, file.out);
    return finishReportFile(file);
}

// The end of a record loop that stopped early: its message and exit status.
int loopEndExit(LoopEnd end, const RunSettings& settings, BufferedWriter& out,
                const InputStream& input) {
    switch (end) {
        case LoopEnd::Done:
            return kExitOk;
        case LoopEnd::PipeClosed:
            return endOnClosedPipe();
        case LoopEnd::DatabaseFailed:
            return fileErrorExit(FileStatus::DatabaseNotWritten, settings);
        case LoopEnd::LogFailed:
            // The records accepted before the loss still reach standard output.
            (void)flushWriter(out);
            return fileErrorExit(FileStatus::LogNotWritten, settings);
        case LoopEnd::LineTooLong:
            return fileErrorExit(FileStatus::LineTooLong, settings);
        case LoopEnd::InputFailed:
            return fileErrorExit(FileStatus::InputNotRead, settings, currentInputName(input));
        case LoopEnd::InputNotFound:
            return fileErrorExit(FileStatus::InputNotFound, settings, input.failed);
        case LoopEnd::ColumnMissing:
            return errorExit("ERROR: Column " + quoted(input.missingColumn) + " not found in " +
                             quoted(currentInputName(input)) + " !");
        case LoopEnd::OutputFailed:
            break;
    }
    return fileErrorExit(FileStatus::OutputNotWritten, settings);
}

// /u= or /u+ with the database itself for input: nothing is missing and nothing to add, and
// nothing is read. A report asked for is written all the same, with no records in it.
int inputIsDatabaseExit(const RunSettings& settings, RunState& state, const InputStream& input,
                        ReportFile& report, Clock::time_point start) {
    if (state.report) {
        beginReportFile(*state.report, currentInputName(input));
        if (!writeReport(settings, state, report, start)) {
            return fileErrorExit(FileStatus::ReportNotWritten, settings);
        }
    }
    const bool compare = settings.databaseMode == DatabaseMode::Compare;
    writeMessage(std::string(compare ? "0 EPD-lines missing in " : "0 EPD-lines updated to ") +
                     quoted(settings.databaseFileName()),
                 false);
    return kExitOk;
}

int recordRun(const RunSettings& settings, Clock::time_point start) {
    RunState state;
    InputStream input;
    std::string failedInput;
    const FileStatus checked = checkInputFiles(settings, input, failedInput);
    if (checked != FileStatus::Ok) return fileErrorExit(checked, settings, failedInput);
    ReportFile report;
    const FileStatus reporting = startReportRun(settings, input, state, report, failedInput);
    if (reporting != FileStatus::Ok) return fileErrorExit(reporting, settings, failedInput);
    state.marking.seen = SeenSet(seenPolicy(settings));
    state.marking.seen.expectKeys(expectedInputKeys(input));

    Rewrite database;
    bool rewriting = false;
    const DatabaseMode dbMode = settings.databaseMode;
    if (dbMode == DatabaseMode::Compare || dbMode == DatabaseMode::Update) {
        if (inputIsDatabase(input, settings.databaseFileName())) {
            return inputIsDatabaseExit(settings, state, input, report, start);
        }
        const FileStatus prepared = prepareDatabase(settings, state, database, rewriting);
        if (prepared != FileStatus::Ok) return fileErrorExit(prepared, settings);
    }

    const FileStatus logged = openLogFile(state);
    if (logged != FileStatus::Ok) return fileErrorExit(logged, settings);
    // The first read of the input comes after every check, in the record loop.
    if (state.report) beginReportFile(*state.report, currentInputName(input));
    if (settings.noOutput) writeError(kLineEnd);
    BufferedWriter out;
    openWriter(out, kStandardOutput, kStdoutBuffer, false);
    ProgressCounter progress;
    VerifyRun verify;
    if (settings.verify.maxMoves > 0) startVerifyRun(settings, input.reader.fd, verify);
    RecordSink sink{out, rewriting ? &database : nullptr, progress,
                    settings.verify.maxMoves > 0 ? &verify : nullptr};
    LoopEnd end = recordLoop(settings, state, input, sink);
    writeProgress(progress);
    if (sink.verify != nullptr) showVerifyProgress(verify, input.reader, true);
    if (!closeLogFile(state) && end == LoopEnd::Done) end = LoopEnd::LogFailed;
    if (end != LoopEnd::Done) {
        if (rewriting) abandonRewrite(database);
        return loopEndExit(end, settings, out, input);
    }
    if (rewriting && !commitRewrite(database)) {
        return fileErrorExit(FileStatus::DatabaseNotWritten, settings);
    }
    if (state.report && !writeReport(settings, state, report, start)) {
        return fileErrorExit(FileStatus::ReportNotWritten, settings);
    }
    writeClosingReport(settings, state, start);
    writeFurtherReportLines(settings, state, sink.verify);
    return kExitOk;
}

int runCommandLine(int argc, char** argv) {
    if (argc <= 1) {
        writeError(kUsage);
        return kExitOk;
    }
    const std::vector<std::string> texts = commandLineArguments(argc, argv);
    const std::vector<std::string_view> arguments(texts.begin(), texts.end());
    for (std::string_view argument : arguments) {
        if (asksForHelp(argument)) return writeToOutput(utf8Usage());
        if (argument == "--version") {
            return writeToOutput("vestrel " + std::string(kVersion) + "\n");
        }
    }
    RunSettings settings;
    const OptionResult parsed = parseArguments(arguments, settings);
    if (parsed.verdict == OptionVerdict::Illegal) {
        return errorExit("ERROR: Illegal program option " + quoted(parsed.argument) + " !");
    }
    if (parsed.verdict == OptionVerdict::Unknown) {
        return errorExit("ERROR: Unknown program option " + quoted(parsed.argument) + " !");
    }
    const std::string misplaced = inputForDatabaseMode(arguments, settings);
    if (!misplaced.empty()) return errorExit(misplaced);
    const RunSettings& fixed = settings;
    const Clock::time_point start = Clock::now();
    if (fixed.databaseMode == DatabaseMode::Sort ||
        fixed.databaseMode == DatabaseMode::TimeUpdate) {
        // These modes read no records: there is nothing to report.
        if (fixed.report.on()) {
            return errorExit("ERROR: Illegal program option " +
                             quoted("--report=" + fixed.report.file) + " !");
        }
        return runDatabaseMode(fixed, start);
    }
    return recordRun(fixed, start);
}

}  // namespace

int runProgram(int argc, char** argv) {
    startProcess();
    try {
        return runCommandLine(argc, argv);
    } catch (const std::bad_alloc&) {
        // The stack is unwound by now: an open database rewrite has been abandoned.
        writeError(kNotEnoughMemory);
        return kExitError;
    }
}

}  // namespace vestrel
