#include "report/origin_index.h"

#include <bitset>
#include <cstring>
#include <unordered_map>

#include "base/platform.h"

namespace vestrel {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{32} << 20;
constexpr std::size_t kMaxBytes = 0xFFFF;

// An entry: the key's hash (never 0; a zero hash ends a block's entries), line, file, how many
// bytes of the EPD line the key holds at its start, then the rest of the EPD line.
constexpr std::size_t kHashAt = 0;
constexpr std::size_t kLineAt = 8;
constexpr std::size_t kFileAt = 12;
constexpr std::size_t kSharedAt = 14;
constexpr std::size_t kRestSizeAt = 16;
constexpr std::size_t kHeaderBytes = 18;

template <typename T>
T readAt(const char* entry, std::size_t at) {
    T value;
    std::memcpy(&value, entry + at, sizeof value);
    return value;
}

template <typename T>
void writeAt(char* entry, std::size_t at, T value) {
    std::memcpy(entry + at, &value, sizeof value);
}

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
    return fold(fold(a ^ k1, b ^ k2 ^ h) ^ k0, n ^ k1) | 1;
}

// Copies the EPD line from byte `from` on.
void copyLineFrom(char* out, std::size_t from, std::string_view fields, std::string_view opcodes) {
    if (from < fields.size()) {
        std::memcpy(out, fields.data() + from, fields.size() - from);
        out += fields.size() - from;
        from = fields.size();
    }
    if (opcodes.empty()) return;
    if (from == fields.size()) {
        *out++ = ' ';
        ++from;
    }
    const std::size_t skip = from - fields.size() - 1;
    std::memcpy(out, opcodes.data() + skip, opcodes.size() - skip);
}

// A filter on some hash bits that passes over most keys not wanted without a table look-up.
constexpr std::size_t kFilterBits = std::size_t{1} << 16;
std::size_t filterBit(std::uint64_t hash) { return std::size_t(hash >> 48); }

// Stores an entry whose key shares its first `shared` bytes with the EPD line (fields, then a
// blank and the opcodes when there are any), so that only the rest of the line is copied.
void storeEntry(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key,
                std::size_t shared, std::string_view fields, std::string_view opcodes) {
    const std::size_t textBytes = fields.size() + (opcodes.empty() ? 0 : 1 + opcodes.size());
    if (key.size() > kMaxBytes || textBytes > kMaxBytes || file > 0xFFFF) return;
    const std::size_t need = kHeaderBytes + textBytes - shared;
    // Room is left for the zero hash that ends the entries.
    if (index.blocks.empty() || index.used + need + 8 > kBlockBytes) {
        void* block = allocateZeroed(kBlockBytes);
        if (block == nullptr) return;
        index.blocks.emplace_back(static_cast<char*>(block));
        index.used = 0;
    }
    char* entry = index.blocks.back().get() + index.used;
    writeAt(entry, kHashAt, keyHash(key));
    writeAt(entry, kLineAt, std::uint32_t(line > 0xFFFFFFFF ? 0xFFFFFFFF : line));
    writeAt(entry, kFileAt, std::uint16_t(file));
    writeAt(entry, kSharedAt, std::uint16_t(shared));
    writeAt(entry, kRestSizeAt, std::uint16_t(textBytes - shared));
    copyLineFrom(entry + kHeaderBytes, shared, fields, opcodes);
    index.used += need;
    writeAt(entry + need, kHashAt, std::uint64_t{0});
    ++index.entries;
}

}  // namespace

void OriginBlockRelease::operator()(char* block) const { releaseZeroed(block, kBlockBytes); }

void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key,
               std::string_view fields, std::string_view opcodes) {
    // The key is the fields and " bm " with the stipulation up to its mark, which is usually
    // where the opcodes start; or the fields and " bm #" when they have no stipulation.
    const std::size_t f = fields.size();
    std::size_t shared = f;
    if (key.size() > f && !opcodes.empty() && key[f] == ' ' &&
        key.size() - f - 1 <= opcodes.size() &&
        std::memcmp(key.data() + f + 1, opcodes.data(), key.size() - f - 1) == 0) {
        shared = key.size();
    }
    storeEntry(index, file, line, key, key.size() < shared ? key.size() : shared, fields, opcodes);
}

void addDatabaseOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line,
                       std::string_view key, std::string_view text) {
    std::size_t shared = 0;
    while (shared < key.size() && shared < text.size() && key[shared] == text[shared]) ++shared;
    storeEntry(index, file, line, key, shared, text, {});
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
    for (const auto& block : index.blocks) {
        for (const char* entry = block.get(); open != 0;) {
            const std::uint64_t hash = readAt<std::uint64_t>(entry, kHashAt);
            if (hash == 0) break;
            const char* next = entry + kHeaderBytes + readAt<std::uint16_t>(entry, kRestSizeAt);
            if (filter->test(filterBit(hash))) {
                const auto it = wanted.find(hash);
                if (it != wanted.end() && !it->second.empty()) {
                    // The key holds the EPD line's first bytes; the entry the rest.
                    const std::string_view key = keys[it->second.front()];
                    std::string text(key.substr(0, readAt<std::uint16_t>(entry, kSharedAt)));
                    text.append(entry + kHeaderBytes, next);
                    for (std::size_t i : it->second) {
                        origins[i] = {true, readAt<std::uint16_t>(entry, kFileAt),
                                      readAt<std::uint32_t>(entry, kLineAt), text};
                    }
                    it->second.clear();  // the first record with the key is the one stored
                    --open;
                }
            }
            entry = next;
        }
    }
    return origins;
}

}  // namespace vestrel
