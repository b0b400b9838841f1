#pragma once
// The texts of the stored position keys, back to back in chunks that never move, so that the
// place of a text stays valid while more keys are stored. Each text starts with its length in
// seven-bit groups, so that a place alone names the text and the texts can be walked in the
// order they were stored. The chunks grow with the texts stored: a small collection takes
// little memory, a large one as much as the system gives.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/zeroed_array.h"

namespace vestrel {

// Where a stored text is: chunk number << kChunkShift | offset in the chunk. A place takes
// kPlaceBits bits, so up to 1 TiB of key texts can be stored.
using TextPlace = std::uint64_t;
inline constexpr unsigned kChunkShift = 22;
inline constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;
inline constexpr unsigned kPlaceBits = 40;

class TextStore {
public:
    // Copies the key in and returns its place; throws std::bad_alloc when memory runs out.
    TextPlace add(std::string_view key);

    // Where the stored text begins (its length first), for prefetching.
    const char* at(TextPlace place) const {
        return chunks_[place >> kChunkShift].data() + (place & (kChunkBytes - 1));
    }

    std::string_view text(TextPlace place) const {
        const auto* p = reinterpret_cast<const unsigned char*>(
            chunks_[place >> kChunkShift].data() + (place & (kChunkBytes - 1)));
        std::size_t size = 0;
        unsigned shift = 0;
        unsigned char byte;
        do {
            byte = *p++;
            size |= std::size_t(byte & 0x7F) << shift;
            shift += 7;
        } while (byte & 0x80);
        return {reinterpret_cast<const char*>(p), size};
    }

    // Calls visit(place, text) for every stored text, in the order they were stored.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (std::size_t c = 0; c < chunks_.size(); ++c) {
            const std::size_t used = chunks_[c].size();
            for (std::size_t offset = 0; offset < used;) {
                const TextPlace place = (TextPlace{c} << kChunkShift) | offset;
                const std::string_view key = text(place);
                visit(place, key);
                offset = std::size_t(key.data() + key.size() - chunks_[c].data());
            }
        }
    }

private:
    std::vector<ZeroedArray<char>> chunks_;  // each chunk's size is the bytes it holds
    std::size_t chunkBytes_ = 0;             // the capacity of all chunks
    PagePolicy pages_;
};

}  // namespace vestrel
