#pragma once
// The /u- database sort: problems ordered by type, moves and solution times, rewritten with
// the section comments of the default database.

#include <chrono>
#include <string>
#include <string_view>

#include "base/settings.h"
#include "database/rewrite.h"

namespace vestrel {

enum class DatabaseResult {
    Done,
    NotFound,
    WriteFailed,
    InUse,           // another run holds the database's lock
    Leftover,        // a temporary file of an ended run blocks the database
    LockUnknown,     // a temporary file blocks the database; whether a run writes it is unknown
    TextAfterCtrlZ,  // the database holds text after a Ctrl-Z byte
    LineTooLong,
};

// The result of a database rewrite that could not start.
DatabaseResult resultOfStart(RewriteStart start);
// The result of a database rewrite that stopped at the end of its reading.
DatabaseResult resultOfRead(ReadEnd end);

// Sorts the database file of the settings' stem, keeping the old one as ".bak". Holds every
// line in memory, as many as memory allows (std::bad_alloc when it runs out). Writes the
// progress words and the closing line to standard error; error messages are the caller's.
DatabaseResult sortDatabase(const RunSettings& settings,
                            std::chrono::steady_clock::time_point start);

}  // namespace vestrel
