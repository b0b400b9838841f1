#include "filter/counted_table.h"

namespace vestrel {

void CountedTable::allocate(std::size_t maxKeys) {
    entries.growTo(maxKeys + 1);
    buckets.growTo(std::size_t(kBucketMask) + 1);
}

void CountedTable::add(std::int32_t n, TextRef text, std::uint32_t hash) {
    entries[std::size_t(n)] = {text, 0, hash};
    Bucket& bucket = buckets[hash & kBucketMask];
    if (bucket.tail == 0) {
        bucket.head = n;
    } else {
        entries[std::size_t(bucket.tail)].next = n;
    }
    bucket.tail = n;
}

}  // namespace vestrel
