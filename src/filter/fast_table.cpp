#include "filter/fast_table.h"

#include <chrono>
#include <random>

namespace vestrel {

namespace {

__extension__ using Wide = unsigned __int128;

// The product's two halves folded together.
inline std::uint64_t foldedProduct(std::uint64_t a, std::uint64_t b) {
    const Wide product = Wide(a) * b;
    return std::uint64_t(product) ^ std::uint64_t(product >> 64);
}

inline std::uint64_t read64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t read32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The bytes at the end of a key, fewer than 17, as two words.
inline void readTail(const char* p, std::size_t n, std::uint64_t& a, std::uint64_t& b) {
    if (n >= 8) {
        a = read64(p);
        b = read64(p + n - 8);
    } else if (n >= 4) {
        a = read32(p);
        b = read32(p + n - 4);
    } else if (n > 0) {
        a = (std::uint64_t(std::uint8_t(p[0])) << 16) |
            (std::uint64_t(std::uint8_t(p[n / 2])) << 8) | std::uint8_t(p[n - 1]);
        b = 0;
    } else {
        a = b = 0;
    }
}

}  // namespace

void FastTable::allocate() {
    slots.growTo(std::size_t{1} << kSlotBits);
    std::random_device device;
    const auto now = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    for (std::uint64_t& s : secret) {
        s = (std::uint64_t(device()) << 32 | device()) ^ now ^ reinterpret_cast<std::uintptr_t>(&s);
        s |= 1;
    }
}

std::uint64_t FastTable::hashOf(std::string_view key) const {
    const char* p = key.data();
    std::size_t n = key.size();
    std::uint64_t h = secret[0];
    for (; n > 16; n -= 16, p += 16) {
        h = foldedProduct(read64(p) ^ secret[1], read64(p + 8) ^ secret[2] ^ h);
    }
    std::uint64_t a;
    std::uint64_t b;
    readTail(p, n, a, b);
    h = foldedProduct(a ^ secret[1], b ^ secret[2] ^ h);
    return foldedProduct(h ^ secret[0], key.size() ^ secret[1]) | 1;
}

}  // namespace vestrel
