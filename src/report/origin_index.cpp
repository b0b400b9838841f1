#include "report/origin_index.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <unordered_map>

namespace vestrel {

namespace {

constexpr std::size_t kBlockEntries = std::size_t{1} << 18;

std::uint64_t fold(std::uint64_t a, std::uint64_t b) {
    __extension__ using Wide = unsigned __int128;
    const Wide product = Wide(a) * b;
    return std::uint64_t(product) ^ std::uint64_t(product >> 64);
}

std::uint64_t word(const char* p, std::size_t n) {
    std::uint64_t v = 0;
    std::memcpy(&v, p, n);
    return v;
}

// 64 bits of a key, 16 bytes a step. Fixed constants: the hash never leaves the process.
std::uint64_t keyHash(std::string_view key) {
    constexpr std::uint64_t k0 = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t k1 = 0xC2B2AE3D27D4EB4Full;
    constexpr std::uint64_t k2 = 0x165667B19E3779F9ull;
    const char* p = key.data();
    std::size_t n = key.size();
    std::uint64_t h = k0 ^ n;
    for (; n > 16; n -= 16, p += 16) h = fold(word(p, 8) ^ k1, word(p + 8, 8) ^ k2 ^ h);
    const std::uint64_t a = n > 8 ? word(p, 8) : word(p, n);
    const std::uint64_t b = n > 8 ? word(p + 8, n - 8) : 0;
    return fold(fold(a ^ k1, b ^ k2 ^ h) ^ k0, n ^ k1);
}

// A filter on some hash bits that passes over most keys not wanted without a table look-up.
constexpr std::size_t kFilterBits = std::size_t{1} << 16;
std::size_t filterBit(std::uint64_t hash) { return std::size_t(hash >> 48); }

}  // namespace

struct OriginIndex::Block {
    std::uint64_t hashes[kBlockEntries];
    std::uint32_t lines[kBlockEntries];  // saturated beyond 2^32 - 1
};

OriginIndex::OriginIndex() = default;
OriginIndex::OriginIndex(OriginIndex&&) noexcept = default;
OriginIndex& OriginIndex::operator=(OriginIndex&&) noexcept = default;
OriginIndex::~OriginIndex() = default;

void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key) {
    if (index.fileStarts.empty() || index.fileStarts.back().second != file) {
        index.fileStarts.emplace_back(index.entries, file);
    }
    if (index.blocks.empty() || index.used == kBlockEntries) {
        // Left uninitialised: only the entries written are ever read.
        index.blocks.push_back(std::make_unique_for_overwrite<OriginIndex::Block>());
        index.used = 0;
    }
    OriginIndex::Block& block = *index.blocks.back();
    block.hashes[index.used] = keyHash(key);
    block.lines[index.used] = std::uint32_t(std::clamp<std::int64_t>(line, 0, 0xFFFFFFFF));
    ++index.used;
    ++index.entries;
}

std::vector<Origin> findOrigins(const OriginIndex& index, const std::vector<std::string>& keys) {
    std::vector<Origin> origins(keys.size());
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> wanted;
    auto filter = std::make_unique<std::bitset<kFilterBits>>();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty()) continue;
        const std::uint64_t hash = keyHash(keys[i]);
        wanted[hash].push_back(i);
        filter->set(filterBit(hash));
    }
    std::size_t open = wanted.size();
    std::size_t fileAt = 0;  // the entry of fileStarts that holds the current entry
    for (std::size_t n = 0; n < index.entries && open != 0; ++n) {
        const OriginIndex::Block& block = *index.blocks[n / kBlockEntries];
        const std::uint64_t hash = block.hashes[n % kBlockEntries];
        if (!filter->test(filterBit(hash))) continue;
        const auto it = wanted.find(hash);
        if (it == wanted.end() || it->second.empty()) continue;
        while (fileAt + 1 < index.fileStarts.size() && index.fileStarts[fileAt + 1].first <= n) {
            ++fileAt;
        }
        for (std::size_t i : it->second) {
            origins[i] = {true, index.fileStarts[fileAt].second, block.lines[n % kBlockEntries]};
        }
        it->second.clear();  // the first record with the key is the one stored
        --open;
    }
    return origins;
}

}  // namespace vestrel
