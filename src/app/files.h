#pragma once
// The files of a record run: the input check, the database preload for /u= and /u+, and the
// log file.

#include <string>
#include <string_view>

#include "app/run_state.h"
#include "base/line_reader.h"
#include "base/settings.h"
#include "database/rewrite.h"

namespace vestrel {

inline constexpr std::string_view kLogFileName = "Vestrel.log";

enum class FileVerdict {
    Ok,
    WrongType,         // no .EPD, .FEN or .PGN ending
    InputNotFound,     // the input cannot be opened
    InputIsDatabase,   // /u= or /u+ on the database file itself
    DatabaseNotFound,  // the database cannot be read, moved, created or opened
    DatabaseNotWritten,
    OutputIsInput,           // standard output is the input file
    OutputIsDatabase,        // standard output is the database file of /u= or /u+
    DatabaseInUse,           // another run is rewriting the database
    DatabaseLeftover,        // a temporary file of an ended run blocks the database
    DatabaseLockUnknown,     // a temporary file blocks the database, its writer unknown
    DatabaseTextAfterCtrlZ,  // a database to rewrite holds text after a Ctrl-Z byte
    LineTooLong,             // a database line over the line limit
    LogIsLink,               // the log file's name is a link, which is never followed
};

// The input file name to use: the one given, or the default.
std::string inputFileName(const RunSettings& settings);

// Checks the type and readability of the input file and opens it; sets the PGN-mode flag.
// Refuses an input that standard output would write into.
FileVerdict openInputFile(const RunSettings& settings, LineReader& input, bool& pgnMode);

// The input and the database are one file: one file under both names or, where the file
// system folds case, two names that differ only in letter case.
bool inputIsDatabase(const std::string& input, const std::string& database);

// For /u= and /u+: refuses the database as input or as standard output, loads its keys into the
// seen set and, for /u+ without /0, takes the database's lock and starts the rewrite that copies
// it and takes the new records.
FileVerdict prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                            bool& rewriting);

// Creates or truncates the log file. One that cannot be created fails the first log line; a
// link under its name is refused at once (LogIsLink), since it could lead anywhere.
FileVerdict openLogFile(RunState& state);
// Writes what is left of the log and closes it; false when a log line was lost.
bool closeLogFile(RunState& state);

}  // namespace vestrel
