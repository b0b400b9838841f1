#include "report/origin_index.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace vestrel {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

// An entry: this header, the key, then the text's bytes after the part it shares with the
// key's start (usually the position fields and the stipulation).
struct EntryHeader {
    std::int64_t line;
    std::uint32_t file;
    std::uint32_t keyBytes;
    std::uint32_t sharedBytes;
    std::uint32_t restBytes;
};

// Reads entries back in the order they were added.
template <typename Visit>
void forEachEntry(const OriginIndex& index, Visit visit) {
    for (std::size_t b = 0; b < index.blocks.size(); ++b) {
        const char* p = index.blocks[b].get();
        const char* const end = p + (b + 1 == index.blocks.size() ? index.used : kBlockBytes);
        while (p + sizeof(EntryHeader) <= end) {
            EntryHeader header;
            std::memcpy(&header, p, sizeof header);
            if (header.keyBytes == 0 && header.restBytes == 0 && header.line == 0) break;
            const char* key = p + sizeof header;
            visit(header, std::string_view(key, header.keyBytes),
                  std::string_view(key + header.keyBytes, header.restBytes));
            p = key + header.keyBytes + header.restBytes;
        }
    }
}

}  // namespace

void addOrigin(OriginIndex& index, std::uint32_t file, std::int64_t line, std::string_view key,
               std::string_view fields, std::string_view opcodes) {
    std::string& text = index.text;
    text.assign(fields);
    if (!opcodes.empty()) {
        text.push_back(' ');
        text.append(opcodes);
    }
    const std::size_t most = key.size() < text.size() ? key.size() : text.size();
    const std::size_t shared = std::size_t(
        std::mismatch(key.begin(), key.begin() + std::ptrdiff_t(most), text.begin()).first -
        key.begin());
    const std::size_t need = sizeof(EntryHeader) + key.size() + text.size() - shared;
    if (key.size() > UINT32_MAX || text.size() > UINT32_MAX || need > kBlockBytes) return;
    if (index.blocks.empty() || index.used + need > kBlockBytes) {
        // The rest of a full block stays zero, which ends its entries.
        if (!index.blocks.empty()) {
            std::memset(index.blocks.back().get() + index.used, 0, kBlockBytes - index.used);
        }
        index.blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
        index.used = 0;
    }
    char* p = index.blocks.back().get() + index.used;
    const EntryHeader header{line, file, std::uint32_t(key.size()), std::uint32_t(shared),
                             std::uint32_t(text.size() - shared)};
    std::memcpy(p, &header, sizeof header);
    p += sizeof header;
    std::memcpy(p, key.data(), key.size());
    std::memcpy(p + key.size(), text.data() + shared, text.size() - shared);
    index.used += need;
    ++index.entries;
}

std::vector<Origin> findOrigins(const OriginIndex& index, const std::vector<std::string>& keys) {
    std::vector<Origin> origins(keys.size());
    std::unordered_map<std::string_view, std::vector<std::size_t>> wanted;
    for (std::size_t i = 0; i < keys.size(); ++i) wanted[keys[i]].push_back(i);
    std::size_t open = wanted.size();
    forEachEntry(index, [&](const EntryHeader& header, std::string_view key, std::string_view rest) {
        if (open == 0) return;
        const auto it = wanted.find(key);
        if (it == wanted.end() || it->second.empty()) return;
        std::string text(key.substr(0, header.sharedBytes));
        text.append(rest);
        for (std::size_t i : it->second) origins[i] = {true, header.file, header.line, text};
        it->second.clear();  // the first record with the key is the one stored
        --open;
    });
    return origins;
}

}  // namespace vestrel
