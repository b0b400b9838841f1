#pragma once
// The order of the database sort's Shell sort with halving gaps, which differs from any other
// sort only among entries that compare equal yet differ in letter case.

#include <cstddef>

#include "database/radix_sort.h"

namespace vestrel {

// Puts the entries in the order of the Shell sort, on up to `threads` threads; the order is
// the same for any number. A fast sort settles everything except the order among entries that
// compare equal yet differ in letter case; only then are the Shell sort's moves replayed on the
// ranks, into table.replayed.
void sortEntries(EntryTable& table, unsigned threads);

// The entry at place k of the sorted order.
inline std::size_t entryAt(const EntryTable& table, std::size_t k) {
    return table.replayed.size() != 0 ? static_cast<std::uint32_t>(table.replayed[k])
                                      : table.items[k].entry;
}

}  // namespace vestrel
