#pragma once
// Reading the database for the sort: its problem lines into an entry table, a large database
// from a mapping of the file and in stretches side by side.

#include <cstdint>
#include <string>

#include "base/file_status.h"
#include "base/line_reader.h"
#include "database/radix_sort.h"

namespace vestrel {

// About how many entries a database file of `bytes` bytes holds, at the most in practice.
std::size_t expectedEntries(std::uint64_t bytes);

// Reads every problem line of the database open in `reader` into the table and the last
// header line into `header`, on up to `threads` threads where the database is mapped. The
// result is that of databaseReadEnd; the table holds the lines read up to where it ended.
FileStatus readEntries(LineReader& reader, EntryTable& table, std::string& header,
                       unsigned threads);

}  // namespace vestrel
