#pragma once
// The texts of the stored position keys, back to back in chunks that never move, so that a
// reference to a text stays valid while more keys are stored.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/zeroed_array.h"

namespace vestrel {

// Key texts live in chunks of 4 MiB that never move, at most 4 GiB in all.
inline constexpr unsigned kChunkShift = 22;
inline constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;
inline constexpr std::size_t kMaxChunks = 1u << 10;

// Where a stored key's text is: chunk number << kChunkShift | offset, and its size.
struct TextRef {
    std::uint32_t place;
    std::uint32_t size;
};

struct TextStore {
    std::vector<ZeroedArray<char>> chunks;
    std::size_t used = 0;

    // Copies the key in; false when the store cannot take it.
    bool add(std::string_view key, TextRef& ref);

    std::string_view text(TextRef ref) const {
        if (ref.size == 0) return {};
        const char* chunk = chunks[ref.place >> kChunkShift].data();
        return {chunk + (ref.place & (kChunkBytes - 1)), ref.size};
    }
};

}  // namespace vestrel
