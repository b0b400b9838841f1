#include "filter/text_store.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/platform.h"

namespace vestrel {

namespace {

// The first chunk; each new one is twice the last, up to kChunkBytes.
constexpr std::size_t kFirstChunkBytes = std::size_t{64} << 10;
constexpr std::size_t kMaxChunks = std::size_t{1} << (kPlaceBits - 1 - kChunkShift);
// The texts beyond the first 64 MiB go to small pages, and those before them too once a chunk's
// first huge page proved slow to fault in (see PagePolicy). Under a hypervisor that takes freed
// memory back, a default run of 10M keys (430 MiB of texts) took a median 1.98 s of CPU time
// (1.91 to 2.12) with this limit against 2.31 s (2.08 to 2.82) with huge pages throughout.
// With the probe the limit still pays after seconds of idleness (1.25 s against 1.40 s without
// it) and costs a little right after another run (1.07 s against 1.01 s).
constexpr std::size_t kHugePageTextBytes = std::size_t{64} << 20;

// The bytes the length of a text takes in seven-bit groups.
std::size_t lengthBytesOf(std::size_t size) {
    std::size_t n = 1;
    for (; size >= 0x80; size >>= 7) ++n;
    return n;
}

// Writes the length of a text in seven-bit groups, low group first, the high bit set on all but
// the last.
void encodeLength(std::size_t size, char* out) {
    std::size_t n = 0;
    while (size >= 0x80) {
        out[n++] = static_cast<char>((size & 0x7F) | 0x80);
        size >>= 7;
    }
    out[n] = static_cast<char>(size);
}

}  // namespace

void TextStore::keepTextsIn(std::shared_ptr<const MappedFile> file, KeptFile kind) {
    const auto f = unsigned(kind);
    keptFile_[f] = std::move(file);
    keptBytes_[f] = keptFile_[f] ? keptFile_[f]->bytes : nullptr;
    keptSize_[f] = keptFile_[f] ? std::min(keptFile_[f]->size, kKeptOffsets) : 0;
}

void TextStore::releaseKeptBytes(KeptFile kind, std::uint64_t offset) const {
    const auto f = unsigned(kind);
    if (offset >= keptSize_[f]) return;
    releaseMappedBytes(keptBytes_[f] + offset, std::min(kKeptWindow, keptSize_[f] - offset));
}

TextPlace TextStore::add(std::string_view key) {
    const std::size_t lengthBytes = lengthBytesOf(key.size());
    const std::size_t need = lengthBytes + key.size();
    if (chunks_.empty() || need > chunks_.back().capacity() - chunks_.back().size()) {
        if (chunks_.size() >= kMaxChunks) throw std::bad_alloc();
        const std::size_t last = chunks_.empty() ? 0 : chunks_.back().capacity();
        // A text longer than a chunk gets a chunk of its own size, which is full at once.
        const std::size_t bytes =
            std::max(need, std::clamp(2 * last, kFirstChunkBytes, kChunkBytes));
        if (chunkBytes_ >= kHugePageTextBytes) pages_.hugePages = false;
        ZeroedArray<char> chunk;
        chunk.reserve(bytes, pages_);
        chunkBytes_ += bytes;
        chunks_.push_back(std::move(chunk));
    }
    ZeroedArray<char>& chunk = chunks_.back();
    const TextPlace place = (TextPlace{chunks_.size() - 1} << kChunkShift) | chunk.size();
    char* at = chunk.extendInPlace(need);  // the room was checked above
    encodeLength(key.size(), at);
    std::memcpy(at + lengthBytes, key.data(), key.size());
    return place;
}

}  // namespace vestrel
