#pragma once
// The table of the hashed mode: open addressing on a 64-bit hash keyed with secrets drawn at
// start-up, so no input can be made to collide on purpose. A slot is one word: 24 bits of the
// hash a text is filed under beside the place of the text, so a look-up reads no key text but
// that of a probable match, and usually touches one cache line. A text is filed under its own
// hash, or under one its owner gives (the mirror test files a key and its images under their
// shared signature). The table starts small and doubles whenever it is three quarters full, or
// grows at once to the room its owner planned for the keys it expects. The keys of a probe run
// stand in no particular order.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/zeroed_array.h"
#include "filter/text_store.h"

namespace vestrel {

class FastTable {
public:
    // Allocates the first slots and draws the secrets.
    void allocate();

    std::uint64_t hashOf(std::string_view key) const;
    // The hash of a 32-bit value such as a symmetry signature.
    std::uint64_t hashOf(std::uint32_t value) const;

    // The slot a look-up of the hash starts with, for prefetching.
    const void* firstLine(std::uint64_t hash) const { return &slots_[home(hash)]; }

    // The slot after the first's cache line when a probe run from it may reach it: a run of an
    // absent key is three to four slots long at the loads kept.
    const void* nextLine(std::uint64_t hash) const {
        return &slots_[(home(hash) + 3) & (slots_.size() - 1)];
    }

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

    // The texts of the probe run of the hash filed under a hash with its tag (texts filed under
    // that very hash, and now and then another); returns the empty slot that ends the run.
    std::size_t collect(const TextStore& store, std::uint64_t hash,
                        std::vector<std::string_view>& texts) const {
        const std::uint64_t tag = hash & kTagMask;
        std::size_t i = home(hash);
        for (std::uint64_t slot; (slot = slots_[i]) != 0; i = after(i)) {
            if (slot >> kPlaceBits == tag) texts.push_back(store.text(slot & kPlaceMask));
        }
        return i;
    }

    // Asks for the texts that a look-up of the hash would compare, once its slots are at hand.
    void prefetchTexts(const TextStore& store, std::uint64_t hash) const {
        const std::uint64_t tag = hash & kTagMask;
        for (std::size_t i = home(hash);; i = after(i)) {
            const std::uint64_t slot = slots_[i];
            if (slot == 0) return;
            if (slot >> kPlaceBits == tag) __builtin_prefetch(store.at(slot & kPlaceMask));
        }
    }

    // The empty slot that ends the probe run of the hash.
    std::size_t emptySlot(std::uint64_t hash) const {
        std::size_t i = home(hash);
        while (slots_[i] != 0) i = after(i);
        return i;
    }

    // Puts a stored text into the empty slot that probe or emptySlot found for the hash it is
    // filed under. When that fills three quarters of the table, the table doubles and files
    // every text it holds again, under filingHash(text); slots found before are then stale.
    template <typename FilingHash>
    void insert(std::size_t slot, std::uint64_t hash, TextPlace place, const TextStore& store,
                const FilingHash& filingHash) {
        slots_[slot] = entry(hash, place);
        ++count_;
        if (crowded(count_, slots_.size())) {
            rebuild(std::max(2 * slots_.size(), planned_), store, filingHash);
        }
    }

    // Copies in every text the store keeps in a file of that kind (TextStore::copyIn): their
    // slots stay.
    void copyInKeptTexts(TextStore& store, KeptFile kind) {
        visitKept(slots_, store, kind, [&](std::uint64_t& slot) {
            slot = (slot & ~kPlaceMask) | store.copyIn(slot & kPlaceMask);
        });
    }

    // Makes room for `keys` keys in all, so that a large collection does not grow the table
    // step by step. A table still small grows only to kSmallSlots now, and to the room planned
    // once it is full: a large file that repeats a few thousand problems over and over never
    // needs it, and the memory a table of millions of slots would take for them (32 MiB for a
    // file of 100 MB) cost a run after seconds of idleness a quarter of its time to fault in.
    template <typename FilingHash>
    void reserve(std::size_t keys, const TextStore& store, const FilingHash& filingHash) {
        const std::size_t slots = slotsFor(keys);
        planned_ = std::max(planned_, slots);
        const std::size_t now = slots_.size() <= kSmallSlots ? std::min(slots, kSmallSlots) : slots;
        if (now > slots_.size()) rebuild(now, store, filingHash);
    }

private:
    // The slots a table grows to at once, before the room planned (128 KiB).
    static constexpr std::size_t kSmallSlots = std::size_t{1} << 14;
    static constexpr std::uint64_t kTagMask = (std::uint64_t{1} << (64 - kPlaceBits)) - 1;
    static constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;

    static std::uint64_t entry(std::uint64_t hash, TextPlace place) {
        return (hash & kTagMask) << kPlaceBits | place;
    }
    std::size_t home(std::uint64_t hash) const { return std::size_t(hash >> shift_); }
    std::size_t after(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }
    static bool crowded(std::size_t count, std::size_t slots);
    // The slots to make in advance for `keys` keys.
    std::size_t slotsFor(std::size_t keys) const;
    // Replaces the table by an empty one of `slots` slots.
    void renew(std::size_t slots);

    // Calls visit(slot) for every slot of `table` that holds a text kept in the file of that
    // kind, one window of the file after the other (kKeptWindow), and gives back the memory of
    // each window once visited; a look at each slot a window.
    template <typename Visit>
    static void visitKept(ZeroedArray<std::uint64_t>& table, const TextStore& store, KeptFile kind,
                          const Visit& visit) {
        const std::uint64_t bytes = store.keptBytes(kind);
        for (std::uint64_t from = 0; from < bytes; from += kKeptWindow) {
            for (std::size_t i = 0; i < table.size(); ++i) {
                const TextPlace place = table[i] & kPlaceMask;
                if (table[i] != 0 && TextStore::kept(place) && TextStore::keptFile(place) == kind &&
                    TextStore::keptOffset(place) - from < kKeptWindow) {
                    visit(table[i]);
                }
            }
            store.releaseKeptBytes(kind, from);
        }
    }

    // Puts every stored text into a new table of `slots` slots: the texts copied in, walking
    // the old table in order, then those kept in files, a window of each file at a time. The
    // hashes of a batch of texts are worked out first and their slots fetched together, so
    // that the memory waits overlap.
    template <typename FilingHash>
    void rebuild(std::size_t slots, const TextStore& store, const FilingHash& filingHash) {
        ZeroedArray<std::uint64_t> old = std::move(slots_);
        renew(slots);
        count_ = 0;
        constexpr std::size_t kBatch = 16;
        std::array<std::uint64_t, kBatch> hashes;
        std::array<TextPlace, kBatch> places;
        std::size_t pending = 0;
        const auto flush = [&] {
            for (std::size_t k = 0; k < pending; ++k) {
                slots_[emptySlot(hashes[k])] = entry(hashes[k], places[k]);
            }
            count_ += pending;
            pending = 0;
        };
        const auto refile = [&](std::uint64_t slot) {
            places[pending] = slot & kPlaceMask;
            hashes[pending] = filingHash(store.text(places[pending]));
            __builtin_prefetch(firstLine(hashes[pending]));
            if (++pending == kBatch) flush();
        };
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (old[i] != 0 && !TextStore::kept(old[i] & kPlaceMask)) refile(old[i]);
        }
        for (const KeptFile kind : kKeptFiles) visitKept(old, store, kind, refile);
        flush();
    }

    ZeroedArray<std::uint64_t> slots_;  // 0: empty; else hash tag << kPlaceBits | place
    PagePolicy pages_{.hugePages = true, .randomAccess = true};  // read at random
    unsigned shift_ = 64;                                        // 64 - log2 of the slot count
    std::size_t count_ = 0;
    std::size_t planned_ = 0;  // the slots planned by reserve, for when the table is full
    std::array<std::uint64_t, 3> secret_{};
};

}  // namespace vestrel
