#pragma once
// The /u- database sort: problems ordered by type, moves and solution times, rewritten with
// the section comments of the default database.

#include <chrono>
#include <string>
#include <string_view>

#include "base/file_status.h"
#include "base/settings.h"

namespace vestrel {

// Sorts the database file of the settings' stem, keeping the old one as ".bak". Holds every
// line in memory, or maps a large database, as many lines as memory allows (std::bad_alloc
// when it runs out). Writes the progress words and the closing line to standard error; error
// messages are the caller's.
// Works on `threads` threads, or, with 0, on as many as the processors where the database is
// large enough to gain by them; the result is the same on any number.
FileStatus sortDatabase(const RunSettings& settings, std::chrono::steady_clock::time_point start,
                        unsigned threads = 0);

}  // namespace vestrel
