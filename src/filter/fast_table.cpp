#include "filter/fast_table.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <utility>

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

// The bytes of a key of up to sixteen bytes as two words.
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

// The first table: small, so that a short collection costs little.
constexpr unsigned kFirstSlotBits = 10;
// The most slots made in advance (128 MiB, for 12.5 million keys): a guess from a huge file
// must not ask for memory that the keys may never need.
constexpr std::size_t kMostSlotsReserved = std::size_t{1} << 24;

}  // namespace

void FastTable::allocate() {
    slots_.growTo(std::size_t{1} << kFirstSlotBits);
    shift_ = 64 - kFirstSlotBits;
    std::random_device device;
    const auto now = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    for (std::uint64_t& s : secret_) {
        s = (std::uint64_t(device()) << 32 | device()) ^ now ^ reinterpret_cast<std::uintptr_t>(&s);
        s |= 1;
    }
}

// The hash is odd, so that its tag is never 0. A key over sixteen bytes ends with its last
// sixteen, which overlap the bytes before when its size is no multiple of sixteen.
std::uint64_t FastTable::hashOf(std::string_view key) const {
    const char* p = key.data();
    const std::size_t size = key.size();
    std::uint64_t a;
    std::uint64_t b;
    std::uint64_t h = secret_[0];
    if (size > 16) {
        const char* const last = p + size - 16;
        for (; p < last; p += 16) {
            h = foldedProduct(read64(p) ^ secret_[1], read64(p + 8) ^ secret_[2] ^ h);
        }
        a = read64(last);
        b = read64(last + 8);
    } else {
        readTail(p, size, a, b);
    }
    h = foldedProduct(a ^ secret_[1], b ^ secret_[2] ^ h);
    return foldedProduct(h ^ secret_[0], size ^ secret_[1]) | 1;
}

std::uint64_t FastTable::hashOf(std::uint32_t value) const {
    return foldedProduct(foldedProduct(value ^ secret_[1], secret_[2]) ^ secret_[0], secret_[1]) |
           1;
}

// The table is full beyond three quarters of its slots.
bool FastTable::crowded(std::size_t count, std::size_t slots) { return count > slots / 4 * 3; }

std::size_t FastTable::slotsFor(std::size_t keys) const {
    std::size_t slots = slots_.size();
    while (crowded(keys, slots) && slots < kMostSlotsReserved) slots *= 2;
    return slots;
}

void FastTable::renew(std::size_t slots) {
    if (slots > (std::numeric_limits<std::size_t>::max() >> 1)) throw std::bad_alloc();
    ZeroedArray<std::uint64_t> empty;
    empty.growTo(slots, pages_);
    slots_ = std::move(empty);
    shift_ = 64 - unsigned(std::countr_zero(slots));
}

}  // namespace vestrel
