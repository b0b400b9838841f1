#pragma once
// The table of the hashed mode: open addressing on a 64-bit hash keyed with secrets drawn at
// start-up, so no input can be made to collide on purpose. A slot holds the key's full hash,
// so a look-up reads no key text but that of a probable match, and usually touches one cache
// line.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/zeroed_array.h"
#include "filter/text_store.h"

namespace vestrel {

// Open addressing: 2^21 slots for at most 999,999 keys, so probe runs stay short.
inline constexpr unsigned kSlotBits = 21;

struct FastTable {
    struct Slot {
        std::uint64_t hash;  // 0: empty
        TextRef text;
    };
    ZeroedArray<Slot> slots;
    std::array<std::uint64_t, 3> secret{};

    // Allocates the slots and draws the secrets.
    void allocate();

    std::uint64_t hashOf(std::string_view key) const;

    static std::size_t home(std::uint64_t hash) { return std::size_t(hash >> (64 - kSlotBits)); }
    static std::size_t after(std::size_t i) {
        return (i + 1) & ((std::size_t{1} << kSlotBits) - 1);
    }

    // The slot holding the key, or the empty slot that ends its probe run.
    std::size_t probe(const TextStore& store, std::string_view key, std::uint64_t hash) const {
        std::size_t i = home(hash);
        for (; slots[i].hash != 0; i = after(i)) {
            const Slot& slot = slots[i];
            if (slot.hash == hash && slot.text.size == key.size() && store.text(slot.text) == key) {
                break;
            }
        }
        return i;
    }

    std::size_t emptySlot(std::uint64_t hash) const {
        std::size_t i = home(hash);
        while (slots[i].hash != 0) i = after(i);
        return i;
    }
};

}  // namespace vestrel
