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

constexpr std::string_view kOutputNotWritten = "ERROR: Output could not be written !";

// A temporary file that no run removes blocks the database: named, with what to do.
std::string databaseBlocked(const RunSettings& settings, bool ownerGone) {
    Rewrite files;
    nameRewriteFiles(files, settings.databaseStem);
    return "ERROR: Database " + quoted(settings.databaseFileName()) + " is blocked by " +
           quoted(files.tempPath) +
           (ownerGone ? ", left by a run that ended: remove that file !"
                      : ": unless another run is using the database, remove that file !");
}

}  // namespace

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

int writeToOutput(std::string_view text) {
    switch (writeText(kStandardOutput, text)) {
        case WriteResult::Ok:
            return kExitOk;
        case WriteResult::BrokenPipe:
            return endOnClosedPipe();
        case WriteResult::Failed:
            break;
    }
    return errorExit(kOutputNotWritten);
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

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

std::string fileStatusMessage(FileStatus status, const RunSettings& settings,
                              std::string_view file) {
    const std::string database = quoted(settings.databaseFileName());
    switch (status) {
        case FileStatus::Ok:
            return {};  // no failure, no message
        case FileStatus::WrongType:
            return "ERROR: Wrong file type (no EPD/FEN/PGN) !";
        case FileStatus::InputNotFound:
            return "ERROR: File " + quoted(file) + " not found (or access denied) !";
        case FileStatus::InputNotRead:
            return "ERROR: File " + quoted(file) + " could not be read !";
        case FileStatus::OutputNotWritten:
            return std::string(kOutputNotWritten);
        case FileStatus::OutputIsInput:
            return "ERROR: Output file is the input file " + quoted(file) + " !";
        case FileStatus::OutputIsDatabase:
            return "ERROR: Output file is the database file " + database + " !";
        case FileStatus::OutputIsReport:
            return "ERROR: Output file is the report file " + quoted(settings.report.file) + " !";
        case FileStatus::DatabaseNotFound:
            return "ERROR: Database " + database + " not found (or access denied) !";
        case FileStatus::DatabaseNotWritten:
            return "ERROR: Database " + database + " could not be written !";
        case FileStatus::DatabaseInUse:
            return "ERROR: Database " + database + " is in use by another run !";
        case FileStatus::DatabaseLeftover:
        case FileStatus::DatabaseLockUnknown:
            return databaseBlocked(settings, status == FileStatus::DatabaseLeftover);
        case FileStatus::DatabaseTextAfterCtrlZ:
            return "ERROR: Database " + database + " has text after a Ctrl-Z byte !";
        case FileStatus::LineTooLong:
            return "ERROR: Line too long !";
        case FileStatus::LogNotWritten:
            return "ERROR: Log file " + quoted(kLogFileName) + " could not be written !";
        case FileStatus::LogIsLink:
            return "ERROR: Log file " + quoted(kLogFileName) +
                   " is a link, not followed: remove it !";
        case FileStatus::ReportNotWritten:
            return "ERROR: Report file " + quoted(settings.report.file) + " could not be written !";
        case FileStatus::ReportIsInput:
            return "ERROR: Report file is the input file " + quoted(file) + " !";
        case FileStatus::ReportIsDatabase:
            return "ERROR: Report file is the database file " + database + " !";
        case FileStatus::ReportIsBackup:
            return "ERROR: Report file is the database backup " +
                   quoted(settings.backupFileName()) + " !";
        case FileStatus::ReportIsTemporary:
            return "ERROR: Report file " + quoted(settings.report.file) +
                   " is a temporary file of the database update !";
        case FileStatus::ReportIsLog:
            return "ERROR: Report file is the log file " + quoted(kLogFileName) + " !";
    }
    return {};  // no status of the list
}

int fileErrorExit(FileStatus status, const RunSettings& settings, std::string_view file) {
    return errorExit(fileStatusMessage(status, settings, file));
}

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
