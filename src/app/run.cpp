#include "app/run.h"

#include <chrono>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/argument_kinds.h"
#include "app/files.h"
#include "app/input_files.h"
#include "app/options.h"
#include "app/plain_line.h"
#include "app/run_state.h"
#include "app/step_settings.h"
#include "app/verify_run.h"
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
#include "report/report.h"
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

// The long options, which --help lists after the usage text: indented less than the others,
// so that their longer names leave the "..." in the same column.
constexpr std::string_view kLongOptions =
    "\r\n"
    "    infile ...          ... several files are read as one collection\r\n"
    "    -                   ... read standard input\r\n"
    "    --type=epd|fen|pgn  ... how standard input is read (epd)\r\n"
    "    --words             ... read stipulations in words (\"Mate in two\")\r\n"
    "    --legal             ... /p plus check-aware legality rules\r\n"
    "    --canonical         ... ignore unusable e.p.; match colour-reversed twins\r\n"
    "    --report=FILE       ... write an HTML report with diagrams to FILE\r\n"
    "    --report-limit=N    ... draw at most N records of each kind (500)\r\n"
    "    --verify[=N]        ... solve stipulations up to N moves (3), log verdicts\r\n"
    "    --threads=N         ... solve on N threads (one per core)\r\n"
    "    --verify-nodes=N    ... positions one record may search (20000000)\r\n"
    "    --help              ... show this help\r\n"
    "    --version           ... show the version\r\n";

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
    switch (writeText(kStandardOutput, text)) {
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

// A temporary file that no run removes blocks the database: named, with what to do.
std::string databaseBlocked(const RunSettings& settings, bool ownerGone) {
    Rewrite files;
    nameRewriteFiles(files, settings.databaseStem);
    return "ERROR: Database " + quoted(settings.databaseFileName()) + " is blocked by " +
           quoted(files.tempPath) +
           (ownerGone ? ", left by a run that ended: remove that file !"
                      : ": unless another run is using the database, remove that file !");
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
    InputFailed,    // a read of the input file failed: its rest would be missing
    InputNotFound,  // a later input file could not be opened when its turn came
};

enum class FilterVerdict { Queued, Dropped, TooLong };

// Runs one record through the steps before marking; Queued when it reaches the seen-position
// test, its key built and its look-up asked for; TooLong when replacements would grow it past
// the limit. A line that stays where it is (`lineStays`) may be its own record, read uncopied.
FilterVerdict filterRecord(std::string_view line, bool lineStays, const RunSettings& settings,
                           const StepSettings& steps, RunState& state, PendingRecord& pending) {
    constexpr FilterVerdict kDrop = FilterVerdict::Dropped;
    const SelectionSettings& selection = steps.selection;
    const InputKind kind = state.reader.input;
    if (steps.plainLines && lineStays && (kind == InputKind::Epd || kind == InputKind::Fen)) {
        const PlainVerdict plain = filterPlainLine(line, steps, state, pending);
        if (plain != PlainVerdict::Other) {
            return plain == PlainVerdict::Queued ? FilterVerdict::Queued : kDrop;
        }
    }
    pending.plain.line = {};
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
                      InputStream& input, ProgressCounter& progress, bool& tooLong) {
    std::size_t count = 0;
    std::string_view line;
    releaseLinesRead(input.reader);  // no record holds a view of a line read before
    while (!tooLong && count < state.pending.size()) {
        // The records queued may be views of the reader's bytes: they are written before any
        // further bytes are read.
        if (count != 0 && !nextLineAtHand(input.reader)) break;
        const std::int64_t before = input.lineNumber;
        if (!nextInputLine(input, state.reader, line)) break;
        state.lines += input.lineNumber - before;
        const FilterVerdict verdict = filterRecord(line, lineAtHand(input.reader), settings, steps,
                                                   state, state.pending[count]);
        if (verdict == FilterVerdict::Queued) {
            state.pendingLines[count++] = input.lineNumber;
        } else if (verdict == FilterVerdict::TooLong) {
            tooLong = true;
        } else if (!progress.pending.empty()) {
            pendProgress(progress);
        }
    }
    return count;
}

// How standard output stands. A database update goes on when the reader of the output has
// gone (vestrel in.epd /u+ | head): the database is what the run is for.
LoopEnd outputEnd(const BufferedWriter& out, bool updating) {
    if (!out.failed || (out.brokenPipe && updating)) return LoopEnd::Done;
    return out.brokenPipe ? LoopEnd::PipeClosed : LoopEnd::OutputFailed;
}

// Where the records of a run go after marking: straight out, or through the verify batch.
struct RecordSink {
    BufferedWriter& out;
    Rewrite* database;
    ProgressCounter& progress;
    VerifyRun* verify;  // with --verify
};

// Writes one accepted record: the progress count with /0, else its output line and the
// database copy. A record that is its input line (`plain`) is written from the line.
LoopEnd writeRecord(const RunSettings& settings, const StepSettings& steps, SplitRecord& record,
                    RunState& state, RecordSink& sink, const LineParts& plain = {}) {
    BufferedWriter& out = sink.out;
    Rewrite* database = sink.database;
    ProgressCounter& progress = sink.progress;
    ++state.output;
    if (settings.words && !statesStipulation(record.opcodeText)) ++state.withoutStipulation;
    if (settings.noOutput) {
        countProgress(progress);
        pendProgress(progress);
        return LoopEnd::Done;
    }
    std::string_view line;
    if (plain.line.empty()) {
        buildOutputLine(record.positionFields, record.opcodeText, steps.output, state.line,
                        state.scratch);
        line = state.line;
    } else {
        line = plainOutputLine(plain, steps.output, state.line);
    }
    if (database != nullptr) {
        rewriteLine(*database, line);
        if (database->out.failed) return LoopEnd::DatabaseFailed;
    }
    writePieces(out, {line, kLineEnd});
    return outputEnd(out, database != nullptr);
}

// Hands a record that met the tests to the report: whether the seen set stored its key (it
// held `stored` keys before), whether it was set aside and why.
void reportTested(const RunSettings& settings, const RunState& state, const PendingRecord& record,
                  std::size_t queued, std::int32_t stored, MarkVerdict verdict) {
    const bool scanned = settings.legalityTest || state.marking.seen.readsBoards();
    reportRecord(*state.report,
                 {record.split.positionFields, record.split.opcodeText, record.key,
                  state.pendingLines[queued], state.marking.seen.size() > stored,
                  verdict == MarkVerdict::Marked, state.marking.tag,
                  scanned && record.board.board ? int(record.board.pieceCount) : -1});
}

// Solves the verify batch and writes it in input order: the log lines of marked records, and
// for each accepted record its verdict's log line and the record itself.
LoopEnd writeBatch(const RunSettings& settings, const StepSettings& steps, RunState& state,
                   RecordSink& sink, const LineReader& input) {
    VerifyRun& verify = *sink.verify;
    solveBatch(verify);
    const std::size_t used = std::exchange(verify.used, 0);
    for (std::size_t i = 0; i < used; ++i) {
        VerifyEntry& entry = verify.batch[i];
        if (!entry.accepted) writeBytes(state.log, entry.markLog);
        if (entry.accepted) writeVerdictLog(entry, state.log);
        if (entry.accepted && state.report) {
            reportVerdict(*state.report, entry.line, entry.split.positionFields,
                          entry.split.opcodeText, entry.verdict.text);
        }
        if (state.log.failed) return LoopEnd::LogFailed;
        if (!entry.accepted) {
            if (!sink.progress.pending.empty()) pendProgress(sink.progress);
            continue;
        }
        const LoopEnd end = writeRecord(settings, steps, entry.split, state, sink);
        if (end != LoopEnd::Done) return end;
    }
    showVerifyProgress(verify, input, false);
    return LoopEnd::Done;
}

// With --verify: marks the record into the batch, a marked record's log line kept for its
// turn, and writes the batch when it is full.
LoopEnd queueForVerify(const RunSettings& settings, const StepSettings& steps,
                       PendingRecord& record, std::size_t queued, RunState& state, RecordSink& sink,
                       const LineReader& input) {
    VerifyEntry& entry = nextEntry(*sink.verify);
    BufferedWriter capture;  // never drains: its bytes wait in the entry
    capture.fd = state.log.fd;
    capture.capacity = std::string::npos;
    capture.buffer.swap(entry.markLog);
    const std::int32_t stored = state.report ? state.marking.seen.size() : 0;
    const MarkVerdict verdict = markRecord(record, steps.marking, state.marking, capture);
    if (state.report) reportTested(settings, state, record, queued, stored, verdict);
    const bool marked = verdict == MarkVerdict::Marked;
    entry.markLog.swap(capture.buffer);
    if (capture.failed) {
        --sink.verify->used;  // the log is lost: write what came before, then stop
        const LoopEnd end = writeBatch(settings, steps, state, sink, input);
        return end == LoopEnd::Done ? LoopEnd::LogFailed : end;
    }
    if (!marked) {
        entry.accepted = true;
        entry.line = state.pendingLines[queued];
        entry.split.positionFields.assign(record.split.positionFields);
        entry.split.opcodeText.assign(record.split.opcodeText);
    }
    return batchFull(*sink.verify) ? writeBatch(settings, steps, state, sink, input)
                                   : LoopEnd::Done;
}

// Marks the queued records of the file being read in order and writes those accepted; a lost
// log line ends the run.
LoopEnd fileLoop(const RunSettings& settings, const StepSettings& steps, RunState& state,
                 InputStream& input, RecordSink& sink) {
    bool tooLong = false;  // a record that replacements would grow past the limit
    for (std::size_t count;
         (count = fillQueue(settings, steps, state, input, sink.progress, tooLong)) != 0;) {
        for (std::size_t i = 0; i < count; ++i) {
            PendingRecord& record = state.pending[i];
            if (sink.verify != nullptr) {
                const LoopEnd end =
                    queueForVerify(settings, steps, record, i, state, sink, input.reader);
                if (end != LoopEnd::Done) return end;
                continue;
            }
            const std::int32_t stored = state.report ? state.marking.seen.size() : 0;
            const MarkVerdict verdict = markRecord(record, steps.marking, state.marking, state.log);
            if (state.report) reportTested(settings, state, record, i, stored, verdict);
            if (verdict == MarkVerdict::Marked) {
                if (state.log.failed) return LoopEnd::LogFailed;
                if (!sink.progress.pending.empty()) pendProgress(sink.progress);
                continue;
            }
            const LoopEnd end =
                writeRecord(settings, steps, record.split, state, sink, record.plain);
            if (end != LoopEnd::Done) return end;
        }
    }
    // A file's verdicts reach the report and the log before the next file begins.
    if (sink.verify != nullptr) {
        const LoopEnd end = writeBatch(settings, steps, state, sink, input.reader);
        if (end != LoopEnd::Done) return end;
    }
    if (tooLong || input.lineTooLong) return LoopEnd::LineTooLong;
    if (input.readFailed) return LoopEnd::InputFailed;
    return LoopEnd::Done;
}

// Reads the input files one after the other as one stream of records.
LoopEnd recordLoop(const RunSettings& settings, RunState& state, InputStream& input,
                   RecordSink& sink) {
    state.output = 0;
    const StepSettings steps = stepSettings(settings);
    if (!beginInput(input, state.reader)) return LoopEnd::ColumnMissing;
    while (true) {
        const LoopEnd end = fileLoop(settings, steps, state, input, sink);
        if (end != LoopEnd::Done) return end;
        if (!openNextInput(input, state.reader)) break;
        if (state.report) beginReportFile(*state.report, currentInputName(input));
    }
    if (!input.failed.empty()) return LoopEnd::InputNotFound;
    if (!input.missingColumn.empty()) return LoopEnd::ColumnMissing;
    (void)flushWriter(sink.out);
    return outputEnd(sink.out, sink.database != nullptr);
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
        case DatabaseResult::WriteFailed:
            return errorExit(databaseNotWritten(settings));
        case DatabaseResult::InUse:
            return errorExit(databaseInUse(settings));
        case DatabaseResult::Leftover:
        case DatabaseResult::LockUnknown:
            return errorExit(databaseBlocked(settings, result == DatabaseResult::Leftover));
        case DatabaseResult::TextAfterCtrlZ:
            return errorExit(databaseTextAfterCtrlZ(settings));
        case DatabaseResult::LineTooLong:
            return errorExit(kLineTooLong);
    }
    return kExitError;
}

std::string inputNotFound(std::string_view name) {
    return "ERROR: File " + quoted(name) + " not found (or access denied) !";
}

// The error message of a file check that failed; `input` names the input file at fault.
std::string fileErrorMessage(FileVerdict verdict, const RunSettings& settings,
                             std::string_view input = {}) {
    switch (verdict) {
        case FileVerdict::WrongType:
            return "ERROR: Wrong file type (no EPD/FEN/PGN) !";
        case FileVerdict::InputNotFound:
            return inputNotFound(input);
        case FileVerdict::OutputIsInput:
            return "ERROR: Output file is the input file " + quoted(input) + " !";
        case FileVerdict::DatabaseNotWritten:
            return databaseNotWritten(settings);
        case FileVerdict::OutputIsDatabase:
            return "ERROR: Output file is the database file " +
                   quoted(settings.databaseFileName()) + " !";
        case FileVerdict::DatabaseInUse:
            return databaseInUse(settings);
        case FileVerdict::DatabaseLeftover:
        case FileVerdict::DatabaseLockUnknown:
            return databaseBlocked(settings, verdict == FileVerdict::DatabaseLeftover);
        case FileVerdict::LogIsLink:
            return "ERROR: Log file " + quoted(kLogFileName) +
                   " is a link, not followed: remove it !";
        case FileVerdict::DatabaseTextAfterCtrlZ:
            return databaseTextAfterCtrlZ(settings);
        case FileVerdict::LineTooLong:
            return std::string(kLineTooLong);
        case FileVerdict::ReportNotWritten:
            return "ERROR: Report file " + quoted(settings.report.file) + " could not be written !";
        case FileVerdict::ReportIsInput:
            return "ERROR: Report file is the input file " + quoted(input) + " !";
        case FileVerdict::ReportIsDatabase:
            return "ERROR: Report file is the database file " +
                   quoted(settings.databaseFileName()) + " !";
        case FileVerdict::ReportIsBackup:
            return "ERROR: Report file is the database backup " +
                   quoted(settings.backupFileName()) + " !";
        case FileVerdict::ReportIsLog:
            return "ERROR: Report file is the log file " + quoted(kLogFileName) + " !";
        case FileVerdict::OutputIsReport:
            return "ERROR: Output file is the report file " + quoted(settings.report.file) + " !";
        case FileVerdict::Ok:
        case FileVerdict::DatabaseNotFound:
            break;
    }
    return databaseNotFound(settings);
}

// With --report: creates its file, before anything is read, and the state it gathers.
FileVerdict startReportRun(const RunSettings& settings, const InputStream& input, RunState& state,
                           ReportFile& file, std::string& failedInput) {
    if (!settings.report.on()) return FileVerdict::Ok;
    for (const InputFile& inputFile : input.files) {
        if (reportIsInput(settings, inputFile.name)) {
            failedInput = inputFile.name;
            return FileVerdict::ReportIsInput;
        }
    }
    const FileVerdict created = createReportFile(settings, file);
    if (created != FileVerdict::Ok) return created;
    state.report = std::make_unique<Report>();
    startReport(*state.report, settings);
    return FileVerdict::Ok;
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
            return errorExit(databaseNotWritten(settings));
        case LoopEnd::LogFailed:
            // The records accepted before the loss still reach standard output.
            (void)flushWriter(out);
            return errorExit("ERROR: Log file " + quoted(kLogFileName) + " could not be written !");
        case LoopEnd::LineTooLong:
            return errorExit(kLineTooLong);
        case LoopEnd::InputFailed:
            return errorExit("ERROR: File " + quoted(currentInputName(input)) +
                             " could not be read !");
        case LoopEnd::InputNotFound:
            return errorExit(inputNotFound(input.failed));
        case LoopEnd::ColumnMissing:
            return errorExit("ERROR: Column " + quoted(input.missingColumn) + " not found in " +
                             quoted(currentInputName(input)) + " !");
        case LoopEnd::OutputFailed:
            break;
    }
    return errorExit("ERROR: Output could not be written !");
}

// The closing report's further lines: records without a stipulation (--words), CSV lines
// skipped, and the verdict counts (--verify).
void writeFurtherReportLines(const RunSettings& settings, const RunState& state,
                             const VerifyRun* verify) {
    if (settings.words) {
        writeError(countText(state.withoutStipulation, " EPD-line", " without stipulation"));
    }
    if (state.reader.shortLines != 0) {
        writeError(countText(state.reader.shortLines, " CSV-line", " with too few fields skipped"));
    }
    if (verify != nullptr) writeError(verdictCountLine(*verify));
}

int recordRun(const RunSettings& settings, Clock::time_point start) {
    RunState state;
    InputStream input;
    std::string failedInput;
    const FileVerdict checked = checkInputFiles(settings, input, failedInput);
    if (checked != FileVerdict::Ok) {
        return errorExit(fileErrorMessage(checked, settings, failedInput));
    }
    ReportFile report;
    const FileVerdict reporting = startReportRun(settings, input, state, report, failedInput);
    if (reporting != FileVerdict::Ok) {
        return errorExit(fileErrorMessage(reporting, settings, failedInput));
    }
    state.marking.seen = SeenSet(seenPolicy(settings));
    state.marking.seen.expectKeys(expectedInputKeys(input));

    Rewrite database;
    bool rewriting = false;
    const DatabaseMode dbMode = settings.databaseMode;
    if (dbMode == DatabaseMode::Compare || dbMode == DatabaseMode::Update) {
        if (inputIsDatabase(input, settings.databaseFileName())) {
            writeMessage(std::string(dbMode == DatabaseMode::Compare ? "0 EPD-lines missing in "
                                                                     : "0 EPD-lines updated to ") +
                             quoted(settings.databaseFileName()),
                         false);
            return kExitOk;
        }
        const FileVerdict prepared = prepareDatabase(settings, state, database, rewriting);
        if (prepared != FileVerdict::Ok) return errorExit(fileErrorMessage(prepared, settings));
    }

    const FileVerdict logged = openLogFile(state);
    if (logged != FileVerdict::Ok) return errorExit(fileErrorMessage(logged, settings));
    // The first read of the input comes after every check, in the record loop.
    if (state.report) beginReportFile(*state.report, currentInputName(input));
    if (settings.noOutput) writeError(kLineEnd);
    BufferedWriter out;
    openWriter(out, kStandardOutput, kStdoutBuffer);
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
    if (rewriting && !commitRewrite(database)) return errorExit(databaseNotWritten(settings));
    if (state.report && !writeReport(settings, state, report, start)) {
        return errorExit(fileErrorMessage(FileVerdict::ReportNotWritten, settings));
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
