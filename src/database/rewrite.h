#pragma once
// Rewriting the database file without ever losing it. The new content goes to a temporary
// file beside the database; only when every byte is written and synced does the old file
// become the ".bak" file and the new one take the database name. A failure or a kill before
// that leaves the database file as it was.

#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "base/output.h"

namespace vestrel {

struct Rewrite {
    std::string databasePath;  // stem + ".epd"
    std::string backupPath;    // stem + ".bak"
    std::string tempPath;      // stem + ".epd.new"
    bool databaseExisted = false;
    BufferedWriter out;
};

// Deletes an old backup and creates the temporary file. False when the backup cannot be
// removed or the temporary file cannot be created.
bool beginRewrite(Rewrite& rewrite, std::string_view stem, bool databaseExists);
// Starts the rewrite of an existing database and opens the current file for reading. False
// when either fails; the database file is then unchanged (an old backup is gone).
bool beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem);
// One line plus CR LF; failures are collected and reported by commitRewrite.
void rewriteLine(Rewrite& rewrite, std::string_view line);
// Flushes and syncs the new file, keeps the old one as ".bak" and moves the new one in place.
// False when anything failed; the database file is then unchanged.
bool commitRewrite(Rewrite& rewrite);
// Drops the temporary file; the database file stays as it was.
void abandonRewrite(Rewrite& rewrite);

}  // namespace vestrel
