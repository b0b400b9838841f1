#pragma once
// The files of a record run: the database preload for /u= and /u+, and the log file. The
// input files have input_files.h.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/run_state.h"
#include "base/line_reader.h"
#include "base/platform.h"
#include "base/settings.h"
#include "database/rewrite.h"

namespace vestrel {

inline constexpr std::string_view kLogFileName = "Vestrel.log";

// The bytes an EPD line takes at the least, in practice: from a file's size the seen set is
// told how many keys to expect. A longer average only leaves its table emptier.
inline constexpr std::uint64_t kLineBytesGuess = 64;

enum class FileVerdict {
    Ok,
    WrongType,         // no .EPD, .FEN or .PGN ending
    InputNotFound,     // the input cannot be opened
    DatabaseNotFound,  // the database cannot be read, moved, created or opened
    DatabaseNotWritten,
    OutputIsInput,           // standard output is the input file
    OutputIsDatabase,        // standard output is the database file of /u= or /u+
    DatabaseInUse,           // another run is rewriting the database
    DatabaseLeftover,        // a temporary file of an ended run blocks the database
    DatabaseLockUnknown,     // a temporary file blocks the database, its writer unknown
    DatabaseTextAfterCtrlZ,  // a database to rewrite holds text after a Ctrl-Z byte
    LineTooLong,             // a database line over the line limit
    ReportNotWritten,        // the --report file cannot be created
    ReportIsInput,           // the --report file is the input file
    ReportIsDatabase,        // the --report file is the database of /u= or /u+
    ReportIsBackup,          // the --report file is the database backup of /u+
    ReportIsLog,             // the --report file is the log file
    OutputIsReport,          // standard output is the --report file
    LogIsLink,               // the log file's name is a link, which is never followed
};

// Standard output is a regular file with this identity, so the run would write into it.
bool outputGoesTo(const FileId& file);

// For /u= and /u+, once no input file is the database: refuses the database as standard
// output, loads its keys into the seen set and, for /u+ without /0, takes the database's lock
// and starts the rewrite that copies it and takes the new records.
FileVerdict prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                            bool& rewriting);

// The file of --report: created before anything is read, removed again when the run ends
// without finishing it.
struct ReportFile {
    std::string path;
    BufferedWriter out;
    bool finished = false;
    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile();
};

// The report file is this input file.
bool reportIsInput(const RunSettings& settings, const std::string& input);
// Refuses a report file that is the input, the database, its backup or the log file, or that
// standard output writes into; creates it.
FileVerdict createReportFile(const RunSettings& settings, ReportFile& report);
// Writes what is left of the report and closes it; false when any of it was lost.
bool finishReportFile(ReportFile& report);

// Creates or truncates the log file. One that cannot be created fails the first log line; a
// link under its name is refused at once (LogIsLink), since it could lead anywhere.
FileVerdict openLogFile(RunState& state);
// Writes what is left of the log and closes it; false when a log line was lost.
bool closeLogFile(RunState& state);

}  // namespace vestrel
