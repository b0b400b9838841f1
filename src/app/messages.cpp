#include "app/messages.h"

#include <chrono>
#include <string>
#include <string_view>

#include "base/output.h"
#include "base/platform.h"
#include "database/rewrite.h"
#include "text/text.h"

namespace vestrel {

namespace {

using Clock = std::chrono::steady_clock;

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

}  // namespace

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

std::string inputNotFound(std::string_view name) {
    return "ERROR: File " + quoted(name) + " not found (or access denied) !";
}

// The error message of a file check that failed; `input` names the input file at fault.
std::string fileErrorMessage(FileVerdict verdict, const RunSettings& settings,
                             std::string_view input) {
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

}  // namespace vestrel
