#include "app/run.h"

#include <charconv>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "app/files.h"
#include "app/options.h"
#include "app/run_state.h"
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
#include "text/text.h"

namespace vestrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kStdoutBuffer = std::size_t{1} << 20;
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

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string databaseNotFound(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) +
           " not found (or access denied) !";
}

std::string databaseNotWritten(const RunSettings& settings) {
    return "ERROR: Database " + quoted(settings.databaseFileName()) + " could not be written !";
}

void appendSeconds(std::string& out, Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    out.append(buf, res.ptr);
}

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
    appendSeconds(piece, start);
    piece.append(" sec)");
    writeError(piece);
    if (settings.hashCount && !settings.noHash && !settings.noDuplicateTest) {
        writeError("  <" + decimalText(state.marking.seen.comparisons()) + " hc>");
    }
    writeError(kLineEnd);
}

enum class LoopEnd { Done, OutputFailed, PipeClosed, DatabaseFailed };

// Runs one record through the steps before marking; true when it reaches the seen-position
// test, its key built and its look-up asked for.
bool filterRecord(std::string_view line, const RunSettings& settings, RunState& state,
                  PendingRecord& pending) {
    if (!recordFromLine(line, settings, state.reader, state.record)) return false;
    if (!passesFindFilter(state.record, settings)) return false;
    if (!passesSkipFilter(state.record, settings)) return false;
    applyReplacements(state.record, settings, state.scratch);
    SplitRecord& split = pending.split;
    if (!splitRecord(state.record, settings, split)) return false;
    if (settings.convertsMateInfo()) {
        const int mateLength = convertMateInfo(split.opcodeText, settings);
        if (!passesMateFilter(mateLength, settings)) return false;
    }
    if (!passesTimeFilter(split.opcodeText, settings, state.scratch)) return false;
    if (!passesParamsFilter(split.opcodeText, settings, state.scratch)) return false;
    prepareMark(pending, state.marking);
    return true;
}

// Fills the queue with the next records that pass the filters; how many it holds.
std::size_t fillQueue(const RunSettings& settings, RunState& state, LineReader& input) {
    std::size_t count = 0;
    std::string_view line;
    while (count < state.pending.size() && nextLine(input, line)) {
        if (filterRecord(line, settings, state, state.pending[count])) ++count;
    }
    return count;
}

// Writes one accepted record: the progress count with /0, else the database copy and the
// output line.
LoopEnd writeRecord(const RunSettings& settings, RunState& state, BufferedWriter& out,
                    Rewrite* database) {
    ++state.output;
    if (settings.noOutput) {
        std::string progress = "\r";
        appendDecimal(progress, state.output);
        writeError(progress);
        return LoopEnd::Done;
    }
    if (database != nullptr) {
        rewriteLine(*database, state.line);
        if (database->out.failed) return LoopEnd::DatabaseFailed;
    }
    writeLine(out, state.line);
    if (out.failed) return out.brokenPipe ? LoopEnd::PipeClosed : LoopEnd::OutputFailed;
    return LoopEnd::Done;
}

LoopEnd recordLoop(const RunSettings& settings, RunState& state, LineReader& input,
                   BufferedWriter& out, Rewrite* database) {
    state.output = 0;
    for (std::size_t count; (count = fillQueue(settings, state, input)) != 0;) {
        for (std::size_t i = 0; i < count; ++i) {
            PendingRecord& record = state.pending[i];
            if (markRecord(record, settings, state.marking, state.log) == MarkVerdict::Marked) {
                continue;
            }
            buildOutputLine(record.split.positionFields, record.split.opcodeText, settings,
                            state.line, state.scratch);
            const LoopEnd end = writeRecord(settings, state, out, database);
            if (end != LoopEnd::Done) return end;
        }
    }
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
    }
    return kExitError;
}

int recordRun(const RunSettings& settings, Clock::time_point start) {
    RunState state;
    LineReader input;
    switch (openInputFile(settings, input, state.reader.pgnMode)) {
        case FileVerdict::WrongType:
            return errorExit("ERROR: Wrong file type (no EPD/FEN/PGN) !");
        case FileVerdict::InputNotFound:
            return errorExit("ERROR: File " + quoted(inputFileName(settings)) +
                             " not found (or access denied) !");
        default:
            break;
    }
    state.marking.seen = SeenSet(seenPolicy(settings));

    Rewrite database;
    bool rewriting = false;
    const DatabaseMode dbMode = settings.databaseMode;
    if (dbMode == DatabaseMode::Compare || dbMode == DatabaseMode::Update) {
        switch (prepareDatabase(settings, state, database, rewriting)) {
            case FileVerdict::InputIsDatabase:
                writeMessage(
                    std::string(dbMode == DatabaseMode::Compare ? "0 EPD-lines missing in "
                                                                : "0 EPD-lines updated to ") +
                        quoted(settings.databaseFileName()),
                    false);
                return kExitOk;
            case FileVerdict::DatabaseNotFound:
                return errorExit(databaseNotFound(settings));
            case FileVerdict::DatabaseNotWritten:
                return errorExit(databaseNotWritten(settings));
            default:
                break;
        }
    }

    openLogFile(state);
    if (settings.noOutput) writeError(kLineEnd);
    BufferedWriter out;
    openWriter(out, kStandardOutput, kStdoutBuffer);
    const LoopEnd end = recordLoop(settings, state, input, out, rewriting ? &database : nullptr);
    closeLogFile(state);
    if (end != LoopEnd::Done) {
        if (rewriting) abandonRewrite(database);
        closeLineReader(input);
        if (end == LoopEnd::PipeClosed) return endOnClosedPipe();
        if (end == LoopEnd::DatabaseFailed) return errorExit(databaseNotWritten(settings));
        return errorExit("ERROR: Output could not be written !");
    }
    if (rewriting && !commitRewrite(database)) {
        closeLineReader(input);
        return errorExit(databaseNotWritten(settings));
    }
    closeLineReader(input);
    writeClosingReport(settings, state, start);
    return kExitOk;
}

}  // namespace

int runProgram(int argc, char** argv) {
    startProcess();
    if (argc <= 1) {
        writeError(kUsage);
        return kExitOk;
    }
    RunSettings settings;
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
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

}  // namespace vestrel
