#include "filter/text_store.h"

#include <cstring>

namespace vestrel {

bool TextStore::add(std::string_view key, TextRef& ref) {
    const std::size_t need = key.size();
    if (need > UINT32_MAX) return false;
    if (chunks.empty() || used + need > kChunkBytes) {
        if (chunks.size() >= kMaxChunks) return false;
        // An oversized key gets a chunk of its own size, which is full at once.
        chunks.emplace_back();
        chunks.back().growTo(need > kChunkBytes ? need : kChunkBytes);
        used = 0;
    }
    if (need != 0) std::memcpy(chunks.back().data() + used, key.data(), need);
    ref.place = static_cast<std::uint32_t>(((chunks.size() - 1) << kChunkShift) | used);
    ref.size = static_cast<std::uint32_t>(need);
    used = need > kChunkBytes ? kChunkBytes : used + need;
    return true;
}

}  // namespace vestrel
