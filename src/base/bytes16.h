#pragma once
// Sixteen bytes as one value of the compiler's vector extension (one SSE2 register on x86-64),
// for the scans of a line's bytes. Compares give 0xFF where they hold and 0 elsewhere: a byte
// is marked.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vestrel {

using Bytes16 = unsigned char __attribute__((vector_size(16)));
using Signed16 = signed char __attribute__((vector_size(16)));

static_assert(std::endian::native == std::endian::little, "byte 0 is the low end of a word");

inline Bytes16 load16(const char* at) {
    Bytes16 bytes;
    std::memcpy(&bytes, at, 16);
    return bytes;
}

// The sixteen bytes as two words, byte 0 at the low end of the first.
inline std::array<std::uint64_t, 2> wordsOf(Bytes16 bytes) {
    std::array<std::uint64_t, 2> words;
    std::memcpy(words.data(), &bytes, 16);
    return words;
}

// markBits without SSE2: the top bit of each byte of a word gathered by one multiply.
inline std::uint32_t markBitsPortable(Bytes16 marks) {
    const auto gather = [](std::uint64_t word) {
        return std::uint32_t(((word & 0x8080808080808080u) * 0x0002040810204081u) >> 56);
    };
    const auto words = wordsOf(marks);
    return gather(words[0]) | gather(words[1]) << 8;
}

// One bit for each marked byte, byte 0 in bit 0.
inline std::uint32_t markBits(Bytes16 marks) {
#if defined(__SSE2__)
    return std::uint32_t(_mm_movemask_epi8(__m128i(marks)));
#else
    return markBitsPortable(marks);
#endif
}

// Marks the bytes from `low` to `low + count - 1`. Moved so that `low` becomes -128, they are
// the bytes below -128 + count: one signed compare, where SSE2 needs three for an unsigned one.
inline Bytes16 markRange(Bytes16 bytes, unsigned char low, signed char count) {
    const Bytes16 moved = bytes + static_cast<unsigned char>(0x80 - low);
    return Bytes16(Signed16(moved) < static_cast<signed char>(-128 + count));
}

// Sixteen marked bytes, then sixteen unmarked: a load from it marks the leading bytes.
inline constexpr std::array<char, 32> kLeadingMarks = [] {
    std::array<char, 32> bytes{};
    for (std::size_t i = 0; i < 16; ++i) bytes[i] = '\xFF';
    return bytes;
}();

// The first `count` bytes (0 to 16) marked.
inline Bytes16 leadingMarks(std::size_t count) { return load16(kLeadingMarks.data() + 16 - count); }

template <std::size_t kBy, std::size_t... kLane>
Bytes16 shiftDownLanes(Bytes16 bytes, std::index_sequence<kLane...>) {
    return __builtin_shufflevector(bytes, Bytes16{}, (kLane + kBy)...);
}

// Byte i takes byte i + kBy; the last kBy bytes become 0.
template <std::size_t kBy>
Bytes16 shiftDown(Bytes16 bytes) {
    return shiftDownLanes<kBy>(bytes, std::make_index_sequence<16>{});
}

}  // namespace vestrel
