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

// Entry n holds key n with its link in its bucket and its full hash, so a look-up passes over
// the other keys of the bucket without reading their texts.
struct CountedTable {
    struct Entry {
        TextRef text;
        std::int32_t next;  // next key of the same bucket, in insertion order; 0 at the end
        std::uint32_t hash;
    };
    struct Bucket {
        std::int32_t head;
        std::int32_t tail;
    };
    ZeroedArray<Entry> entries;  // entry 0 is never used
    ZeroedArray<Bucket> buckets;
    std::int64_t comparisons = 0;

    void allocate(std::size_t maxKeys);
    const Bucket& bucketOf(std::uint64_t hash) const { return buckets[hash & kBucketMask]; }

    bool find(const TextStore& store, std::string_view key, std::uint32_t hash) {
        for (std::int32_t n = bucketOf(hash).head; n != 0;) {
            ++comparisons;  // every stored key of the bucket counts as compared
            const Entry& entry = entries[std::size_t(n)];
            if (entry.hash == hash && entry.text.size == key.size() &&
                store.text(entry.text) == key) {
                return true;
            }
            n = entry.next;
        }
        return false;
    }

    // Stores key n at the end of its bucket.
    void add(std::int32_t n, TextRef text, std::uint32_t hash);
};

}  // namespace vestrel
