#pragma once
// The counted structure of /hc: djb2 values reduced to 20 bits pick one of 2^20 buckets, each
// a list of its keys in insertion order, and every stored key examined in a look-up is
// counted.

#include <cstdint>
#include <string_view>

#include "base/zeroed_array.h"
#include "filter/text_store.h"

namespace vestrel {

inline constexpr std::uint32_t kBucketMask = (1u << 20) - 1;

// The full 32-bit djb2 value of a key.
inline std::uint32_t djb2(std::string_view key) {
    std::uint32_t h = 5381;
    for (unsigned char b : key) h = h * 33u + b;
    return h;
}

// Entry n holds the n-th key stored with its link in its bucket and its full hash, so a
// look-up passes over the other keys of the bucket without reading their texts.
struct CountedTable {
    struct Entry {
        TextPlace text;
        std::uint32_t next;  // next key of the same bucket, in insertion order; 0 at the end
        std::uint32_t hash;
    };
    struct Bucket {
        std::uint32_t head;
        std::uint32_t tail;
    };
    ZeroedArray<Entry> entries;  // entry 0 is never used; grows with the keys
    ZeroedArray<Bucket> buckets;
    std::int64_t comparisons = 0;

    void allocate();
    const Bucket& bucketOf(std::uint64_t hash) const { return buckets[hash & kBucketMask]; }

    bool find(const TextStore& store, std::string_view key, std::uint32_t hash) {
        for (std::uint32_t n = bucketOf(hash).head; n != 0;) {
            ++comparisons;  // every stored key of the bucket counts as compared
            const Entry& entry = entries[n];
            if (entry.hash == hash && store.text(entry.text) == key) return true;
            n = entry.next;
        }
        return false;
    }

    // Stores the next key at the end of its bucket.
    void add(TextPlace text, std::uint32_t hash);
};

}  // namespace vestrel
