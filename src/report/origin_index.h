#pragma once
// Where each position key the seen-position set stored came from: its file and line. A stored
// key costs its 64-bit hash and its line number, appended to large blocks; the look-ups wait
// for the end of the run, when the report knows the few keys it needs, and the lines
// themselves are read again from their files then (see fetchLines).

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/zeroed_array.h"

namespace vestrel {

struct Origin {
    bool found = false;
    std::uint32_t file = 0;  // index into the report's file names
    std::int64_t line = 0;
};

// A run of noted keys: hashes and lines side by side, in memory straight from the system (on
// huge pages where it offers them), so that a large run does not fault page by page.
struct OriginBlock {
    ZeroedArray<std::uint64_t> hashes;
    ZeroedArray<std::uint32_t> lines;  // saturated beyond 2^32 - 1
    std::size_t used = 0;
};

struct OriginIndex {
    std::vector<OriginBlock> blocks;
    std::size_t entries = 0;
    // Where the records of each file begin: (first entry, file index), in entry order.
    std::vector<std::pair<std::size_t, std::uint32_t>> fileStarts;
    PagePolicy pages;  // of all blocks
};

// Notes a stored key: it came from `line` of file `file`. Each key is noted once, when the
// seen-position set stores it.
void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key);

// For every wanted key, the first noted record with that key, told apart by its 64-bit hash.
std::vector<Origin> findOrigins(const OriginIndex& index, const std::vector<std::string>& keys);

}  // namespace vestrel
