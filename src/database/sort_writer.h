#pragma once
// Writes the sorted database: the header, the entries grouped by type and moves with their
// empty lines and section comments, and the closing comment.

#include <string_view>

#include "database/radix_sort.h"
#include "database/rewrite.h"

namespace vestrel {

// The sorted file: header, groups by type and moves with their empty lines and section
// comments, and the closing empty line and comment; put together on up to `threads` threads.
// Entries that compare equal have equal keys, so the key at a place is that of the sorted
// items even where the Shell sort's order of such entries puts another line there.
void writeSorted(Rewrite& rewrite, const EntryTable& table, std::string_view header,
                 bool defaultDatabase, unsigned threads);

}  // namespace vestrel
