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
    DatabaseTextAfterCtrlZ,  // a database to rewrite holds text after a Ctrl-Z byte
    LineTooLong,             // a database line over the line limit
};

// Standard output is a regular file with this identity, so the run would write into it.
bool outputGoesTo(const FileId& file);

// For /u= and /u+, once no input file is the database: refuses the database as standard
// output, loads its keys into the seen set and, for /u+ without /0, takes the database's lock
// and starts the rewrite that copies it and takes the new records.
FileVerdict prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                            bool& rewriting);

// Creates or truncates the log file. One that cannot be created fails the first log line.
void openLogFile(RunState& state);
// Writes what is left of the log and closes it; false when a log line was lost.
bool closeLogFile(RunState& state);

}  // namespace vestrel
