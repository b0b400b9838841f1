#include "report/origin_index.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace vestrel {

namespace {

// The first block is small, for the many short runs; the others fill whole huge pages.
constexpr std::size_t kFirstBlockEntries = std::size_t{1} << 12;
constexpr std::size_t kBlockEntries = std::size_t{1} << 19;

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

// Fixed constants: the hash never leaves the process.
constexpr std::uint64_t kSecrets[8] = {
    0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull, 0x85EBCA77C2B2AE63ull,
    0x27D4EB2F165667C5ull, 0xD6E8FEB86659FD93ull, 0xA0761D6478BD642Full, 0xE7037ED1A0B428DBull};

std::uint64_t mix16(const char* p, std::size_t secret) {
    return fold(word(p, 8) ^ kSecrets[secret], word(p + 8, 8) ^ kSecrets[secret + 1]);
}

// 64 bits of a key. Keys of up to 64 bytes, nearly all of them, take two or four 16-byte
// steps from both ends that do not wait on each other; longer ones a chain of steps.
std::uint64_t keyHash(std::string_view key) {
    const char* p = key.data();
    const std::size_t n = key.size();
    std::uint64_t h = n * kSecrets[7];
    if (n <= 16) {
        const std::uint64_t a = n > 8 ? word(p, 8) : word(p, n);
        const std::uint64_t b = n > 8 ? word(p + 8, n - 8) : 0;
        h += fold(a ^ kSecrets[0], b ^ kSecrets[1]);
    } else if (n <= 64) {
        h += mix16(p, 0) + mix16(p + n - 16, 2);
        if (n > 32) h += mix16(p + 16, 4) + mix16(p + n - 32, 6);
    } else {
        std::size_t left = n;
        for (; left > 16; left -= 16, p += 16)
            h = fold(word(p, 8) ^ kSecrets[1], word(p + 8, 8) ^ kSecrets[2] ^ h);
        h = fold(mix16(p + left - 16, 4) ^ h, kSecrets[3]);
    }
    h ^= h >> 37;
    h *= 0x165667919E3779F9ull;
    return h ^ h >> 32;
}

// A filter on some hash bits that passes over most keys not wanted without a table look-up.
constexpr std::size_t kFilterBits = std::size_t{1} << 16;
std::size_t filterBit(std::uint64_t hash) { return std::size_t(hash >> 48); }

void addBlock(OriginIndex& index) {
    const std::size_t entries = index.blocks.empty() ? kFirstBlockEntries : kBlockEntries;
    OriginBlock& block = index.blocks.emplace_back();
    block.hashes.growTo(entries, index.pages);
    block.lines.growTo(entries, index.pages);
}

}  // namespace

void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key) {
    if (index.fileStarts.empty() || index.fileStarts.back().second != file) {
        index.fileStarts.emplace_back(index.entries, file);
    }
    if (index.blocks.empty() || index.blocks.back().used == index.blocks.back().hashes.size()) {
        addBlock(index);
    }
    OriginBlock& block = index.blocks.back();
    block.hashes[block.used] = keyHash(key);
    block.lines[block.used] = std::uint32_t(std::clamp<std::int64_t>(line, 0, 0xFFFFFFFF));
    ++block.used;
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
    std::size_t n = 0;       // the entry's number over all blocks
    for (const OriginBlock& block : index.blocks) {
        for (std::size_t at = 0; at < block.used && open != 0; ++at, ++n) {
            const std::uint64_t hash = block.hashes[at];
            if (!filter->test(filterBit(hash))) continue;
            const auto it = wanted.find(hash);
            if (it == wanted.end() || it->second.empty()) continue;
            while (fileAt + 1 < index.fileStarts.size() &&
                   index.fileStarts[fileAt + 1].first <= n) {
                ++fileAt;
            }
            for (std::size_t i : it->second) {
                origins[i] = {true, index.fileStarts[fileAt].second, block.lines[at]};
            }
            it->second.clear();  // the first record with the key is the one stored
            --open;
        }
    }
    return origins;
}

}  // namespace vestrel
