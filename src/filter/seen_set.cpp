#include "filter/seen_set.h"

#include <cstring>

namespace vestrel {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// Copies the key into the chunk store and returns a stable view of the copy.
std::string_view storeText(SeenSet& set, std::string_view key) {
    const std::size_t need = key.size();
    if (set.chunks.empty() || set.chunkUsed + need > kChunkBytes) {
        // An oversized key gets a chunk of its own size, which is full at once.
        const std::size_t size = need > kChunkBytes ? need : kChunkBytes;
        set.chunks.push_back(std::make_unique<char[]>(size));
        set.chunkUsed = 0;
    }
    char* dst = set.chunks.back().get() + set.chunkUsed;
    if (need != 0) std::memcpy(dst, key.data(), need);
    set.chunkUsed = need > kChunkBytes ? kChunkBytes : set.chunkUsed + need;
    return {dst, need};
}

void storeKey(SeenSet& set, std::string_view key, std::uint32_t hash, bool intoIndex) {
    const std::int32_t slot = ++set.keyCount;
    std::string_view stored = storeText(set, key);
    set.slots[slot] = KeyRef{stored.data(), stored.size()};
    if (set.mode == LookupMode::Hashed) {
        if (set.bucketTail[hash] == 0) {
            set.bucketHead[hash] = slot;
        } else {
            set.nextInBucket[set.bucketTail[hash]] = slot;
        }
        set.bucketTail[hash] = slot;
    } else if (set.mode == LookupMode::Prefix && intoIndex) {
        set.ordered->insert(stored);
    }
}

}  // namespace

void initSeenSet(SeenSet& set, LookupMode mode) {
    set.mode = mode;
    set.keyCount = 0;
    set.hashComparisons = 0;
    set.slots.allocate(kKeyTableSlots);
    if (mode == LookupMode::Hashed) {
        set.bucketHead.allocate(kHashBuckets);
        set.bucketTail.allocate(kHashBuckets);
        set.nextInBucket.allocate(kKeyTableSlots);
    }
    if (mode == LookupMode::Prefix) {
        set.indexMemory = std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 20);
        set.ordered = std::make_unique<std::pmr::set<std::string_view>>(set.indexMemory.get());
    }
}

std::uint32_t keyHash(std::string_view key) {
    std::uint32_t h = 5381;
    for (unsigned char b : key) h = h * 33u + b;
    return h & 0xFFFFFu;
}

bool lookupKey(SeenSet& set, std::string_view key, bool insert) {
    if (set.mode == LookupMode::Prefix) {
        // The first stored key not less than `key` begins with it exactly when any does.
        auto it = set.ordered->lower_bound(key);
        if (it != set.ordered->end() && it->substr(0, key.size()) == key) return true;
        if (insert && set.keyCount < kMaxKeys) storeKey(set, key, 0, true);
        return false;
    }
    if (set.mode == LookupMode::None) return false;
    const std::uint32_t h = keyHash(key);
    for (std::int32_t s = set.bucketHead[h]; s != 0; s = set.nextInBucket[s]) {
        ++set.hashComparisons;
        if (set.slots[s].text() == key) return true;
    }
    if (insert && set.keyCount < kMaxKeys) storeKey(set, key, h, true);
    return false;
}

void appendKey(SeenSet& set, std::string_view key) {
    if (set.keyCount >= kMaxKeys) return;
    storeKey(set, key, set.mode == LookupMode::Hashed ? keyHash(key) : 0, true);
}

}  // namespace vestrel
