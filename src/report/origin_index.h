#pragma once
// Where each position key the seen-position set stored came from: file, line and the record's
// EPD line. Each stored key costs a hash and the part of its EPD line the key does not hold,
// copied into large blocks; the look-ups wait for the end of the run, when the report knows
// the few keys it needs.

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
    std::string text;  // the record's EPD line (position fields and opcodes)
};

struct OriginBlockRelease {
    void operator()(char* block) const;
};

struct OriginIndex {
    std::vector<std::unique_ptr<char[], OriginBlockRelease>> blocks;
    std::size_t used = 0;  // bytes used in the last block
    std::size_t entries = 0;
};

// Notes a stored key: the record at `line` of file `file`, whose EPD line is `fields`, then a
// blank and `opcodes` when there are any, and whose key is those fields followed by its
// stipulation part. Each key is noted once, when the set stores it. Records longer than
// 64 KiB are left out.
void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key,
               std::string_view fields, std::string_view opcodes);
// The same for a database line and the key the preload made of it.
void addDatabaseOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line,
                       std::string_view key, std::string_view text);

// For every wanted key, the first noted record with that key (told apart by a 64-bit hash).
std::vector<Origin> findOrigins(const OriginIndex& index, const std::vector<std::string>& keys);

}  // namespace vestrel
