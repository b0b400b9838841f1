#pragma once
// Where each position key the seen-position set stored came from: its file and line. A stored
// key costs its 64-bit hash and its line number, appended to large blocks; the look-ups wait
// for the end of the run, when the report knows the few keys it needs, and the lines
// themselves are read again from their files then (see fetchLines).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

struct Origin {
    bool found = false;
    std::uint32_t file = 0;  // index into the report's file names
    std::int64_t line = 0;
};

struct OriginIndex {
    struct Block;
    std::vector<std::unique_ptr<Block>> blocks;
    std::size_t used = 0;  // entries used in the last block
    std::size_t entries = 0;
    // Where the records of each file begin: (first entry, file index), in entry order.
    std::vector<std::pair<std::size_t, std::uint32_t>> fileStarts;

    OriginIndex();
    OriginIndex(OriginIndex&&) noexcept;
    OriginIndex& operator=(OriginIndex&&) noexcept;
    ~OriginIndex();
};

// Notes a stored key: it came from `line` of file `file`. Each key is noted once, when the
// seen-position set stores it.
void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key);

// For every wanted key, the first noted record with that key, told apart by its 64-bit hash.
std::vector<Origin> findOrigins(const OriginIndex& index, const std::vector<std::string>& keys);

}  // namespace vestrel
