#pragma once
// The table of the hashed mode: open addressing on a 64-bit hash keyed with secrets drawn at
// start-up, so no input can be made to collide on purpose. A slot is one word: 24 bits of the
// key's hash beside the place of its text, so a look-up reads no key text but that of a
// probable match, and usually touches one cache line. The table starts small and doubles
// whenever it is three quarters full.

#include <array>
#include <cstdint>
#include <string_view>

#include "base/zeroed_array.h"
#include "filter/text_store.h"

namespace vestrel {

class FastTable {
public:
    // Allocates the first slots and draws the secrets.
    void allocate();

    std::uint64_t hashOf(std::string_view key) const;

    // The slot a look-up of the hash starts with, for prefetching.
    const void* firstLine(std::uint64_t hash) const { return &slots_[home(hash)]; }

    // The slot holding the key, or the empty slot that ends its probe run.
    std::size_t probe(const TextStore& store, std::string_view key, std::uint64_t hash) const {
        const std::uint64_t tag = hash & kTagMask;
        std::size_t i = home(hash);
        for (std::uint64_t slot; (slot = slots_[i]) != 0; i = after(i)) {
            if (slot >> kPlaceBits == tag && store.text(slot & kPlaceMask) == key) break;
        }
        return i;
    }
    bool holds(std::size_t slot) const { return slots_[slot] != 0; }

    // The empty slot that ends the probe run of the hash.
    std::size_t emptySlot(std::uint64_t hash) const {
        std::size_t i = home(hash);
        while (slots_[i] != 0) i = after(i);
        return i;
    }

    // Puts a stored text into the empty slot that probe or emptySlot found for its hash. When
    // that fills three quarters of the table, the table doubles and takes every text of the
    // store again: the table holds exactly the texts of `store`.
    void insert(std::size_t slot, std::uint64_t hash, TextPlace place, const TextStore& store);

    // Makes room for `keys` keys in all at once, so that a large collection does not grow the
    // table step by step.
    void reserve(std::size_t keys, const TextStore& store);

private:
    static constexpr std::uint64_t kTagMask = (std::uint64_t{1} << (64 - kPlaceBits)) - 1;
    static constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;

    std::size_t home(std::uint64_t hash) const { return std::size_t(hash >> shift_); }
    std::size_t after(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }
    static bool crowded(std::size_t count, std::size_t slots);
    void rebuild(std::size_t slots, const TextStore& store);

    ZeroedArray<std::uint64_t> slots_;  // 0: empty; else hash tag << kPlaceBits | place
    unsigned shift_ = 64;               // 64 - log2 of the slot count
    std::size_t count_ = 0;
    std::array<std::uint64_t, 3> secret_{};
};

}  // namespace vestrel
