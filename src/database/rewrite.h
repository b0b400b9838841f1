#pragma once
// Rewriting the database file without ever losing it. One run at a time: the temporary file
// that takes the new content is created fresh beside the database and locked, and the
// database file itself is locked too, so that every name of it (a link, a second hard link)
// meets the same lock. Only when every byte is written and synced does the new file take the
// database name, and then the old one the ".bak" name; at every moment the database is the
// old or the new one and the backup the previous backup or the old database. A database
// name that is a symbolic link keeps the link: the file it leads to is rewritten.

#include <string>
#include <string_view>

#include "base/file_status.h"
#include "base/line_reader.h"
#include "base/output.h"

namespace vestrel {

struct Rewrite {
    std::string databasePath;    // stem + ".epd", its symbolic links followed
    std::string backupPath;      // beside it: its name with ".bak" for ".epd"
    std::string tempPath;        // databasePath + ".new", or ".epn" for very long names
    std::string backupTempPath;  // backupPath + ".new", or ".bkn": the backup until it is one
    std::string backupCopyPath;  // backupPath + ".cpy", or ".bkc": a backup copy being made
    bool databaseExisted = false;
    int databaseLock = -1;  // the database file, open and locked while the rewrite runs
    BufferedWriter out;     // on the locked temporary file

    Rewrite() = default;
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;
    // A rewrite neither committed nor abandoned (an exception ends the run) is abandoned.
    ~Rewrite();
};

// The files of a rewrite of the database with this stem, its links followed; nothing opened.
void nameRewriteFiles(Rewrite& rewrite, std::string_view stem);
// Takes the database's lock by creating the temporary file (a leftover one whose lock nobody
// holds is removed first) and locking the database file, notes whether the database exists,
// and settles a backup that a killed commit left under its temporary name. DatabaseInUse when
// another run holds the lock; DatabaseNotFound when the database cannot be read (or is no
// regular file) or the temporary file cannot be created; DatabaseLeftover when a temporary file
// of a run that has ended cannot be removed; DatabaseLockUnknown when a temporary file is there
// and whether a run still writes it is unknown.
FileStatus beginRewrite(Rewrite& rewrite, std::string_view stem);
// Starts the rewrite of an existing database and opens it for reading; the database is then
// unchanged and nothing is left behind on failure.
FileStatus beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem);
// How the reading of a database that is being rewritten ended: DatabaseNotFound after a read
// error, LineTooLong, DatabaseTextAfterCtrlZ for bytes other than Ctrl-Z, CR and LF after a
// Ctrl-Z. A rewrite goes on only after Ok, so that no line of the database is silently left out.
FileStatus databaseReadEnd(LineReader& reader);

// One line plus CR LF; failures are collected and reported by commitRewrite.
void rewriteLine(Rewrite& rewrite, std::string_view line);
// Bytes as they are, in the same way.
void rewriteBytes(Rewrite& rewrite, std::string_view bytes);
// Flushes and syncs the new file, moves it in place and keeps the old one as ".bak". False
// when anything failed; the database file and the ".bak" file are then as they were.
bool commitRewrite(Rewrite& rewrite);
// Drops the temporary file and the locks; the database file stays as it was.
void abandonRewrite(Rewrite& rewrite);

}  // namespace vestrel
