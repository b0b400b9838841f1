#pragma once
// Rewriting the database file without ever losing it. One run at a time: the temporary file
// that takes the new content is created fresh beside the database and locked, and that lock
// is the database's lock until the rewrite is committed or abandoned. Only when every byte is
// written and synced does the old file become the ".bak" file (a second link, or a synced copy
// where links are impossible) and the new one take the database name. A failure or a kill
// before that leaves the database and the previous ".bak" file as they were.

#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "base/output.h"

namespace vestrel {

struct Rewrite {
    std::string databasePath;    // stem + ".epd"
    std::string backupPath;      // stem + ".bak"
    std::string tempPath;        // stem + ".epd.new", or stem + ".epn" for very long names
    std::string backupTempPath;  // stem + ".bak.new", or stem + ".bkn"
    bool databaseExisted = false;
    BufferedWriter out;  // on the locked temporary file

    Rewrite() = default;
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;
    // A rewrite neither committed nor abandoned (an exception ends the run) is abandoned.
    ~Rewrite();
};

enum class RewriteStart {
    Ok,
    InUse,     // another run holds the database's lock
    NotFound,  // the database cannot be read, or the temporary file cannot be created
};

// Takes the database's lock by creating the temporary file (a leftover one whose lock nobody
// holds is removed first) and notes whether the database exists.
RewriteStart beginRewrite(Rewrite& rewrite, std::string_view stem);
// Starts the rewrite of an existing database and opens it for reading; the database is then
// unchanged and nothing is left behind on failure.
RewriteStart beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem);
enum class ReadEnd {
    Ok,
    Failed,          // a read error
    LineTooLong,     // a line over the line limit
    TextAfterCtrlZ,  // bytes other than Ctrl-Z, CR and LF after a Ctrl-Z
};
// How the reading of a database that is being rewritten ended; a rewrite goes on only after
// Ok, so that no line of the database is silently left out.
ReadEnd databaseReadEnd(LineReader& reader);

// One line plus CR LF; failures are collected and reported by commitRewrite.
void rewriteLine(Rewrite& rewrite, std::string_view line);
// Flushes and syncs the new file, keeps the old one as ".bak" and moves the new one in place.
// False when anything failed; the database file is then unchanged.
bool commitRewrite(Rewrite& rewrite);
// Drops the temporary file and the lock; the database file stays as it was.
void abandonRewrite(Rewrite& rewrite);

}  // namespace vestrel
