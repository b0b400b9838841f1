#pragma once
// The files of a record run: the database preload for /u= and /u+, and the log file. The
// input files have input_files.h.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/run_state.h"
#include "base/file_status.h"
#include "base/line_reader.h"
#include "base/platform.h"
#include "base/settings.h"
#include "database/rewrite.h"

namespace vestrel {

inline constexpr std::string_view kLogFileName = "Vestrel.log";

// The bytes an EPD line takes at the least, in practice: from a file's size the seen set is
// told how many keys to expect. A longer average only leaves its table emptier.
inline constexpr std::uint64_t kLineBytesGuess = 64;

// Standard output is a regular file with this identity, so the run would write into it.
bool outputGoesTo(const FileId& file);

// For /u= and /u+, once no input file is the database: refuses the database as standard
// output, loads its keys into the seen set and, for /u+ without /0, takes the database's lock
// and starts the rewrite that copies it and takes the new records.
FileStatus prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
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
// Refuses a report file that is the input, the database, its backup, a temporary file of a /u+
// update or the log file, or that standard output writes into; creates it.
FileStatus createReportFile(const RunSettings& settings, ReportFile& report);
// Writes what is left of the report and closes it; false when any of it was lost.
bool finishReportFile(ReportFile& report);

// Creates or truncates the log file. One that cannot be created fails the first log line; a
// link under its name is refused at once (LogIsLink), since it could lead anywhere.
FileStatus openLogFile(RunState& state);
// Writes what is left of the log and closes it; false when a log line was lost.
bool closeLogFile(RunState& state);

}  // namespace vestrel
