#include "app/run.h"

#include <chrono>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "app/files.h"
#include "app/options.h"
#include "app/run_state.h"
#include "app/step_settings.h"
#include "base/line_reader.h"
#include "base/output.h"
#include "base/platform.h"
#include "base/settings.h"
#include "database/rewrite.h"
#include "database/sort.h"
#include "database/time_update.h"
#include "filter/marking.h"
#include "filter/opcode_edit.h"
#include "filter/selection.h"
#include "input/epd_line.h"
#include "input/mate_info.h"
#include "input/record_reader.h"
#include "input/stipulation_phrase.h"
#include "text/text.h"

namespace vestrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kStdoutBuffer = std::size_t{1} << 20;
// The /0 progress counter goes out at least this often, and whenever this much is gathered.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr std::size_t kProgressBytes = std::size_t{1} << 20;
// Lines between two looks at the clock while progress waits to be written; a look at every
// line costs 0.17 s CPU instead of 0.15 s on make bench's 1M lines with /0.
constexpr unsigned kLinesPerClockLook = 32;
constexpr int kExitOk = 0;
constexpr int kExitError = 1;

// The usage text; "\xF1" is the plus-minus sign of the console's code page.
constexpr std::string_view kUsage =
    "\nVestrel Ver.2.6 - EPD utility for Plimb/Vandrelo\r\n"
    "\nExtracts & modifies EPD-lines from EPD/FEN/PGN-files\r\n"
    "\nVestrel [infile] [options] [{>|>>}outfile]\r\n"
    "\nOption: /f|s|r[strings] ... find|skip|replace \"strings\"\r\n"
    "        /p|m[[\xF1~]x|y-z] ... piece|mate \"number\" [more|less|unequal|from-to]\r\n"
    "        /c[\xF1]           ... set castlings [ins|del]\r\n"
    "        /#              ... set mate info (\"ce\" <-> \"dm\")\r\n"
    "        /a|d[opcodes]   ... append|delete \"opcodes\"\r\n"
    "        /u[\xF1=][file]    ... update|sort|compare \"Vandrelo.epd\" (or \"file\")\r\n"
    "        /h[\xF1tags]       ... use|ignore \"tags\" in PGN headers for mate info\r\n"
    "        /0              ... no output (infos only)\r\n"
    "        /1              ... no hash usage\r\n"
    "        /2              ... no duplicate test\r\n"
    "        /xy             ... extra mirror test\r\n"
    "        /t[times][@]    ... filter \"times\":  [[\xF1~]xx:xx|yy:yy-zz:zz][@]\r\n"
    "        /@|q[params]    ... filter \"params\": {CRKPXcrkpx}[[\xF1~]x|y-z][/...]\r\n";

constexpr std::string_view kVersion = VESTREL_VERSION;

// The long options, which --help lists after the usage text.
constexpr std::string_view kLongOptions =
    "        --words         ... read stipulations in words (\"Mate in two\")\r\n";

// The usage text for a UTF-8 terminal: LF line ends and the plus-minus sign as UTF-8.
std::string utf8Usage() {
    std::string text;
    for (char c : std::string(kUsage) + std::string(kLongOptions)) {
        if (c == '\r') continue;
        if (c == '\xF1') {
            text.append("\xC2\xB1");
        } else {
            text.push_back(c);
        }
    }
    return text;
}

// A message line: line feed, text, bell for errors, CR LF.
void writeMessage(std::string_view text, bool error) {
    std::string message = "\n";
    message.append(text);
    if (error) message.push_back('\a');
    message.append(kLineEnd);
    writeError(message);
}

int errorExit(std::string_view text) {
    writeMessage(text, true);
    return kExitError;
}

// Writes a whole answer (--help, --version) to standard output.
int writeToOutput(std::string_view text) {
    switch (writeAll(kStandardOutput, text)) {
        case WriteResult::Ok:
            return kExitOk;
        case WriteResult::BrokenPipe:
            return endOnClosedPipe();
        case WriteResult::Failed:
            break;
    }
    return errorExit("ERROR: Output could not be written !");
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string databaseNotFound(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) +
           " not found (or access denied) !";
}

std::string databaseNotWritten(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) + " could not be written !";
}

std::string databaseInUse(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) + " is in use by another run !";
}

std::string databaseTextAfterCtrlZ(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) +
           " has text after a Ctrl-Z byte !";
}

constexpr std::string_view kLineTooLong = "ERROR: Line too long !";
// Written without building a string: memory is what ran out.
constexpr std::string_view kNotEnoughMemory = "\nERROR: Not enough memory !\a\r\n";

// The closing report of a record run, written piece by piece.
void writeClosingReport(const RunSettings& settings, const RunState& state,
                        Clock::time_point start) {
    const Marking& c = state.marking;
    if (!settings.noOutput) writeError(kLineEnd);
    std::string piece = "\r";
    appendDecimal(piece, state.output);
    writeError(piece);
    writeError(" EPD-line");
    if (state.output != 1) writeError("s");
    const bool marked = c.duplicates != 0 || c.illegal != 0;
    if (marked) writeError("  [ ");
    if (c.duplicates != 0) writeError("duplicate=" + decimalText(c.duplicates));
    if (c.duplicates != 0 && c.illegal != 0) writeError("  ");
    if (c.illegal != 0) writeError("illegal=" + decimalText(c.illegal));
    if (marked) writeError(" ]");
    const DatabaseMode mode = settings.databaseMode;
    if (mode == DatabaseMode::Compare || (mode == DatabaseMode::Update && settings.noOutput)) {
        writeError(" missing in " + quoted(settings.databaseFileName()));
    }
    if (mode == DatabaseMode::Update && !settings.noOutput) {
        writeError(" updated to " + quoted(settings.databaseFileName()));
    }
    piece = "  (";
    appendElapsedSeconds(piece, start);
    piece.append(" sec)");
    writeError(piece);
    if (settings.hashCount && !settings.noHash && !settings.noDuplicateTest) {
        writeError("  <" + decimalText(state.marking.seen.comparisons()) + " hc>");
    }
    writeError(kLineEnd);
}

// A report line such as "3 EPD-lines without stipulation": the count, the noun with an "s"
// unless the count is 1, the rest, CR LF.
std::string countText(std::int64_t count, std::string_view noun, std::string_view rest) {
    std::string text = decimalText(count);
    text.append(noun);
    if (count != 1) text.push_back('s');
    text.append(rest);
    text.append(kLineEnd);
    return text;
}

// The /0 progress counter: a carriage return and the output count for every accepted record,
// gathered and written to standard error in large pieces rather than one write per record
// (which takes 0.33 s CPU instead of 0.15 s on make bench's 1M lines, into /dev/null).
struct ProgressCounter {
    std::string pending;
    std::string shown = "\r0";  // CR and the output count in decimal, counted up in place
    Clock::time_point lastWrite = Clock::now();
    unsigned linesSinceLook = 0;
};

// Counts one accepted record and gathers its "\r" + count. Counted up in place, "bench.epd /0"
// takes 5.9% fewer instructions than with the number written anew.
void countProgress(ProgressCounter& progress) {
    std::string& shown = progress.shown;
    std::size_t digit = shown.size() - 1;
    while (shown[digit] == '9') shown[digit--] = '0';
    if (digit == 0) {
        shown.insert(1, 1, '1');  // 9...9 became 10...0
    } else {
        ++shown[digit];
    }
    progress.pending.append(shown);
}

void writeProgress(ProgressCounter& progress) {
    if (!progress.pending.empty()) writeError(progress.pending);
    progress.pending.clear();
    progress.lastWrite = Clock::now();
    progress.linesSinceLook = 0;
}

// Called once per line while progress waits: writes it when it is old enough or large.
void pendProgress(ProgressCounter& progress) {
    if (++progress.linesSinceLook < kLinesPerClockLook &&
        progress.pending.size() < kProgressBytes) {
        return;
    }
    progress.linesSinceLook = 0;
    if (progress.pending.size() >= kProgressBytes ||
        Clock::now() - progress.lastWrite >= kProgressInterval) {
        writeProgress(progress);
    }
}

enum class LoopEnd {
    Done,
    OutputFailed,
    PipeClosed,
    DatabaseFailed,
    LogFailed,
    LineTooLong,
    ColumnMissing,  // a CSV input without a needed column: the loop never started
};

enum class FilterVerdict { Queued, Dropped, TooLong };

// Runs one record through the steps before marking; Queued when it reaches the seen-position
// test, its key built and its look-up asked for; TooLong when replacements would grow it past
// the limit.
FilterVerdict filterRecord(std::string_view line, const RunSettings& settings,
                           const StepSettings& steps, RunState& state, PendingRecord& pending) {
    constexpr FilterVerdict kDrop = FilterVerdict::Dropped;
    const SelectionSettings& selection = steps.selection;
    if (!recordFromLine(line, steps.reader, state.reader, state.record)) return kDrop;
    if (!passesFindFilter(state.record, selection)) return kDrop;
    if (!passesSkipFilter(state.record, selection)) return kDrop;
    if (!selection.replacements.empty() &&
        !applyReplacements(state.record, selection, state.scratch)) {
        return FilterVerdict::TooLong;
    }
    SplitRecord& split = pending.split;
    if (!splitRecord(state.record, steps.split, split)) return kDrop;
    pending.illegalMove = state.reader.illegalMove;
    if (settings.convertsMateInfo()) {
        const int mateLength = convertMateInfo(split.opcodeText, steps.mateInfo);
        if (!passesMateFilter(mateLength, selection)) return kDrop;
    }
    if (!passesTimeFilter(split.opcodeText, selection, state.scratch)) return kDrop;
    if (!passesParamsFilter(split.opcodeText, selection, state.scratch)) return kDrop;
    prepareMark(pending, steps.marking, state.marking);
    return FilterVerdict::Queued;
}

// Fills the queue with the next records that pass the filters; how many it holds.
std::size_t fillQueue(const RunSettings& settings, const StepSettings& steps, RunState& state,
                      LineReader& input, ProgressCounter& progress, bool& tooLong) {
    std::size_t count = 0;
    std::string_view line;
    while (!tooLong && count < state.pending.size()) {
        if (!nextLine(input, line)) {
            if (!recordWaiting(state.reader)) break;
            line = {};  // the end of the input ends the last header
        }
        const FilterVerdict verdict =
            filterRecord(line, settings, steps, state, state.pending[count]);
        if (verdict == FilterVerdict::Queued) {
            ++count;
        } else if (verdict == FilterVerdict::TooLong) {
            tooLong = true;
        } else if (!progress.pending.empty()) {
            pendProgress(progress);
        }
    }
    return count;
}

// Writes one accepted record: the progress count with /0, else its output line and the
// database copy.
LoopEnd writeRecord(const RunSettings& settings, const OutputLineSettings& output,
                    PendingRecord& record, RunState& state, BufferedWriter& out, Rewrite* database,
                    ProgressCounter& progress) {
    ++state.output;
    if (settings.words && !statesStipulation(record.split.opcodeText)) ++state.withoutStipulation;
    if (settings.noOutput) {
        countProgress(progress);
        pendProgress(progress);
        return LoopEnd::Done;
    }
    buildOutputLine(record.split.positionFields, record.split.opcodeText, output, state.line,
                    state.scratch);
    if (database != nullptr) {
        rewriteLine(*database, state.line);
        if (database->out.failed) return LoopEnd::DatabaseFailed;
    }
    writeLine(out, state.line);
    if (out.failed) return out.brokenPipe ? LoopEnd::PipeClosed : LoopEnd::OutputFailed;
    return LoopEnd::Done;
}

// Marks the queued records in order and writes those accepted; a lost log line ends the run.
LoopEnd recordLoop(const RunSettings& settings, RunState& state, LineReader& input,
                   BufferedWriter& out, Rewrite* database, ProgressCounter& progress) {
    state.output = 0;
    const StepSettings steps = stepSettings(settings);
    bool tooLong = false;  // a record that replacements would grow past the limit
    std::size_t count;
    while ((count = fillQueue(settings, steps, state, input, progress, tooLong)) != 0) {
        for (std::size_t i = 0; i < count; ++i) {
            PendingRecord& record = state.pending[i];
            if (markRecord(record, steps.marking, state.marking, state.log) ==
                MarkVerdict::Marked) {
                if (state.log.failed) return LoopEnd::LogFailed;
                if (!progress.pending.empty()) pendProgress(progress);
                continue;
            }
            const LoopEnd end =
                writeRecord(settings, steps.output, record, state, out, database, progress);
            if (end != LoopEnd::Done) return end;
        }
    }
    if (tooLong || input.lineTooLong) return LoopEnd::LineTooLong;
    if (!flushWriter(out)) return out.brokenPipe ? LoopEnd::PipeClosed : LoopEnd::OutputFailed;
    return LoopEnd::Done;
}

int runDatabaseMode(const RunSettings& settings, Clock::time_point start) {
    const DatabaseResult result = settings.databaseMode == DatabaseMode::Sort
                                      ? sortDatabase(settings, start)
                                      : updateSolutionTimes(settings);
    switch (result) {
        case DatabaseResult::Done:
            return kExitOk;
        case DatabaseResult::NotFound:
            return errorExit(databaseNotFound(settings));
        case DatabaseResult::TooManyLines:
            return errorExit("ERROR: Database " + quoted(settings.databaseFileName()) +
                             " contains too many FEN-Lines !");
        case DatabaseResult::WriteFailed:
            return errorExit(databaseNotWritten(settings));
        case DatabaseResult::InUse:
            return errorExit(databaseInUse(settings));
        case DatabaseResult::TextAfterCtrlZ:
            return errorExit(databaseTextAfterCtrlZ(settings));
        case DatabaseResult::LineTooLong:
            return errorExit(kLineTooLong);
    }
    return kExitError;
}

// The error message of a file check that failed.
std::string fileErrorMessage(FileVerdict verdict, const RunSettings& settings) {
    switch (verdict) {
        case FileVerdict::WrongType:
            return "ERROR: Wrong file type (no EPD/FEN/PGN) !";
        case FileVerdict::InputNotFound:
            return "ERROR: File " + quoted(inputFileName(settings)) +
                   " not found (or access denied) !";
        case FileVerdict::OutputIsInput:
            return "ERROR: Output file is the input file " + quoted(inputFileName(settings)) + " !";
        case FileVerdict::DatabaseNotWritten:
            return databaseNotWritten(settings);
        case FileVerdict::OutputIsDatabase:
            return "ERROR: Output file is the database file " +
                   quoted(settings.databaseFileName()) + " !";
        case FileVerdict::DatabaseInUse:
            return databaseInUse(settings);
        case FileVerdict::DatabaseTextAfterCtrlZ:
            return databaseTextAfterCtrlZ(settings);
        case FileVerdict::LineTooLong:
            return std::string(kLineTooLong);
        case FileVerdict::Ok:
        case FileVerdict::InputIsDatabase:
        case FileVerdict::DatabaseNotFound:
            break;
    }
    return databaseNotFound(settings);
}

int recordRun(const RunSettings& settings, Clock::time_point start) {
    RunState state;
    LineReader input;
    const FileVerdict opened = openInputFile(settings, input, state.reader.input);
    if (opened != FileVerdict::Ok) return errorExit(fileErrorMessage(opened, settings));
    state.marking.seen = SeenSet(seenPolicy(settings));

    Rewrite database;
    bool rewriting = false;
    const DatabaseMode dbMode = settings.databaseMode;
    if (dbMode == DatabaseMode::Compare || dbMode == DatabaseMode::Update) {
        const FileVerdict prepared = prepareDatabase(settings, state, database, rewriting);
        if (prepared == FileVerdict::InputIsDatabase) {
            writeMessage(std::string(dbMode == DatabaseMode::Compare ? "0 EPD-lines missing in "
                                                                     : "0 EPD-lines updated to ") +
                             quoted(settings.databaseFileName()),
                         false);
            return kExitOk;
        }
        if (prepared != FileVerdict::Ok) return errorExit(fileErrorMessage(prepared, settings));
    }

    openLogFile(state);
    skipByteOrderMark(input);  // the first read of the input, after every check
    const std::string_view missingColumn = readInputHeader(input, state.reader);
    if (settings.noOutput) writeError(kLineEnd);
    BufferedWriter out;
    openWriter(out, kStandardOutput, kStdoutBuffer);
    ProgressCounter progress;
    LoopEnd end = missingColumn.empty() ? recordLoop(settings, state, input, out,
                                                     rewriting ? &database : nullptr, progress)
                                        : LoopEnd::ColumnMissing;
    writeProgress(progress);
    if (!closeLogFile(state) && end == LoopEnd::Done) end = LoopEnd::LogFailed;
    if (end != LoopEnd::Done) {
        if (rewriting) abandonRewrite(database);
        closeLineReader(input);
        if (end == LoopEnd::PipeClosed) return endOnClosedPipe();
        if (end == LoopEnd::DatabaseFailed) return errorExit(databaseNotWritten(settings));
        if (end == LoopEnd::LogFailed) {
            // The records accepted before the loss still reach standard output.
            (void)flushWriter(out);
            return errorExit("ERROR: Log file " + quoted(kLogFileName) + " could not be written !");
        }
        if (end == LoopEnd::LineTooLong) return errorExit(kLineTooLong);
        if (end == LoopEnd::ColumnMissing) {
            return errorExit("ERROR: Column " + quoted(missingColumn) + " not found in " +
                             quoted(inputFileName(settings)) + " !");
        }
        return errorExit("ERROR: Output could not be written !");
    }
    if (rewriting && !commitRewrite(database)) {
        closeLineReader(input);
        return errorExit(databaseNotWritten(settings));
    }
    closeLineReader(input);
    writeClosingReport(settings, state, start);
    if (settings.words) {
        writeError(countText(state.withoutStipulation, " EPD-line", " without stipulation"));
    }
    if (state.reader.shortLines != 0) {
        writeError(countText(state.reader.shortLines, " CSV-line", " with too few fields skipped"));
    }
    return kExitOk;
}

int runCommandLine(int argc, char** argv) {
    if (argc <= 1) {
        writeError(kUsage);
        return kExitOk;
    }
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    for (std::string_view argument : arguments) {
        if (argument == "--help") return writeToOutput(utf8Usage());
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
    const RunSettings& fixed = settings;
    const Clock::time_point start = Clock::now();
    if (fixed.databaseMode == DatabaseMode::Sort ||
        fixed.databaseMode == DatabaseMode::TimeUpdate) {
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
