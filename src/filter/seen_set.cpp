#include "filter/seen_set.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace vestrel {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Copies the key into the chunk store and returns a stable view of the copy.
std::string_view storeText(SeenSet& set, std::string_view key) {
    const std::size_t need = key.size();
    if (set.chunks.empty() || set.chunkUsed + need > kChunkBytes) {
        // An oversized key gets a chunk of its own size, which is full at once.
        const std::size_t size = need > kChunkBytes ? need : kChunkBytes;
        set.chunks.emplace_back();
        set.chunks.back().allocate(size);
        set.chunkUsed = 0;
    }
    char* dst = set.chunks.back().data.get() + set.chunkUsed;
    if (need != 0) std::memcpy(dst, key.data(), need);
    set.chunkUsed = need > kChunkBytes ? kChunkBytes : set.chunkUsed + need;
    return {dst, need};
}

void storeKey(SeenSet& set, std::string_view key, std::uint32_t hash, bool intoIndex) {
    const std::int32_t slot = ++set.keyCount;
    std::string_view stored = storeText(set, key);
    set.slots[slot] = KeyRef{stored.data(), stored.size()};
    if (set.mode == LookupMode::Hashed) {
        SeenSet::Bucket& bucket = set.buckets[hash & 0xFFFFFu];
        if (bucket.tail == 0) {
            bucket.head = slot;
        } else {
            set.links[bucket.tail].next = slot;
        }
        bucket.tail = slot;
        set.links[slot].hash = hash;
    } else if (set.mode == LookupMode::Prefix && intoIndex) {
        set.ordered->insert(stored);
    }
}

}  // namespace

void* allocateTable(std::size_t bytes) {
    const std::size_t size = bytes == 0 ? 1 : bytes;
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) std::abort();
    if (size >= kHugePage) (void)::madvise(memory, size, MADV_HUGEPAGE);
    return memory;
}

void releaseTable(void* memory, std::size_t bytes) {
    if (memory != nullptr) ::munmap(memory, bytes == 0 ? 1 : bytes);
}

void initSeenSet(SeenSet& set, LookupMode mode) {
    set.mode = mode;
    set.keyCount = 0;
    set.hashComparisons = 0;
    set.slots.allocate(kKeyTableSlots);
    if (mode == LookupMode::Hashed) {
        set.buckets.allocate(kHashBuckets);
        set.links.allocate(kKeyTableSlots);
    }
    if (mode == LookupMode::Prefix) {
        set.indexMemory = std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 20);
        set.ordered = std::make_unique<std::pmr::set<std::string_view>>(set.indexMemory.get());
    }
}

std::uint32_t fullKeyHash(std::string_view key) {
    std::uint32_t h = 5381;
    for (unsigned char b : key) h = h * 33u + b;
    return h;
}

std::uint32_t keyHash(std::string_view key) { return fullKeyHash(key) & 0xFFFFFu; }

bool lookupKey(SeenSet& set, std::string_view key, bool insert) {
    if (set.mode == LookupMode::Prefix) {
        // The first stored key not less than `key` begins with it exactly when any does.
        auto it = set.ordered->lower_bound(key);
        if (it != set.ordered->end() && it->substr(0, key.size()) == key) return true;
        if (insert && set.keyCount < kMaxKeys) storeKey(set, key, 0, true);
        return false;
    }
    if (set.mode == LookupMode::None) return false;
    const std::uint32_t h = fullKeyHash(key);
    for (std::int32_t s = set.buckets[h & 0xFFFFFu].head; s != 0; s = set.links[s].next) {
        ++set.hashComparisons;  // every stored key of the bucket counts as compared
        if (set.links[s].hash == h && set.slots[s].text() == key) return true;
    }
    if (insert && set.keyCount < kMaxKeys) storeKey(set, key, h, true);
    return false;
}

void appendKey(SeenSet& set, std::string_view key) {
    if (set.keyCount >= kMaxKeys) return;
    storeKey(set, key, set.mode == LookupMode::Hashed ? fullKeyHash(key) : 0, true);
}

}  // namespace vestrel
