#include "filter/counted_table.h"

#include <new>

namespace vestrel {

void CountedTable::allocate() {
    entries.growTo(1);
    buckets.growTo(std::size_t(kBucketMask) + 1);
}

void CountedTable::add(TextPlace text, std::uint32_t hash) {
    const std::size_t n = entries.size();
    if (n > UINT32_MAX) throw std::bad_alloc();  // entries are numbered in 32 bits
    entries.push({text, 0, hash});
    Bucket& bucket = buckets[hash & kBucketMask];
    if (bucket.tail == 0) {
        bucket.head = std::uint32_t(n);
    } else {
        entries[bucket.tail].next = std::uint32_t(n);
    }
    bucket.tail = std::uint32_t(n);
}

}  // namespace vestrel
