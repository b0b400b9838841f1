#include "filter/seen_set.h"

#include <cstdlib>
#include <cstring>

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;

// Copies the key into the chunk store; false when the store cannot take it.
bool storeText(SeenSet& set, std::string_view key, SeenSet::Entry& entry) {
    const std::size_t need = key.size();
    if (need > UINT32_MAX) return false;
    if (set.chunks.empty() || set.chunkUsed + need > kChunkBytes) {
        if (set.chunks.size() >= kMaxChunks) return false;
        // An oversized key gets a chunk of its own size, which is full at once.
        const std::size_t size = need > kChunkBytes ? need : kChunkBytes;
        set.chunks.emplace_back();
        set.chunks.back().allocate(size);
        set.chunkUsed = 0;
    }
    char* dst = set.chunks.back().data.get() + set.chunkUsed;
    if (need != 0) std::memcpy(dst, key.data(), need);
    entry.place =
        static_cast<std::uint32_t>(((set.chunks.size() - 1) << kChunkShift) | set.chunkUsed);
    entry.size = static_cast<std::uint32_t>(need);
    set.chunkUsed = need > kChunkBytes ? kChunkBytes : set.chunkUsed + need;
    return true;
}

void storeKey(SeenSet& set, std::string_view key, std::uint32_t hash) {
    SeenSet::Entry& entry = set.slots[static_cast<std::size_t>(set.keyCount) + 1];
    if (!storeText(set, key, entry)) return;  // beyond 4 GiB of keys: as full as a full table
    const std::int32_t slot = ++set.keyCount;
    if (set.mode == LookupMode::Hashed) {
        entry.hash = hash;
        SeenSet::Bucket& bucket = set.buckets[hash & 0xFFFFFu];
        if (bucket.tail == 0) {
            bucket.head = slot;
        } else {
            set.slots[bucket.tail].next = slot;
        }
        bucket.tail = slot;
    } else if (set.mode == LookupMode::Prefix) {
        set.ordered->insert(storedKey(set, slot));
    }
}

}  // namespace

void* allocateTable(std::size_t bytes) {
    void* memory = allocateZeroed(bytes);
    if (memory == nullptr) std::abort();
    return memory;
}

void releaseTable(void* memory, std::size_t bytes) { releaseZeroed(memory, bytes); }

void initSeenSet(SeenSet& set, LookupMode mode) {
    set.mode = mode;
    set.keyCount = 0;
    set.hashComparisons = 0;
    set.slots.allocate(kKeyTableSlots);
    if (mode == LookupMode::Hashed) set.buckets.allocate(kHashBuckets);
    if (mode == LookupMode::Prefix) {
        set.indexMemory = std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 20);
        set.ordered = std::make_unique<std::pmr::set<std::string_view>>(set.indexMemory.get());
    }
}

void enableSignatures(SeenSet& set) {
    set.signatureBits.allocate(kSignatureBits / 64);
    set.signaturesOn = true;
}

std::string_view storedKey(const SeenSet& set, std::int32_t slot) {
    const SeenSet::Entry& entry = set.slots[static_cast<std::size_t>(slot)];
    if (entry.size == 0) return {};
    const char* chunk = set.chunks[entry.place >> kChunkShift].data.get();
    return {chunk + (entry.place & (kChunkBytes - 1)), entry.size};
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
        if (insert && set.keyCount < kMaxKeys) storeKey(set, key, 0);
        return false;
    }
    if (set.mode == LookupMode::None) return false;
    return lookupKeyHashed(set, key, fullKeyHash(key), insert);
}

bool lookupKeyHashed(SeenSet& set, std::string_view key, std::uint32_t h, bool insert) {
    if (set.mode != LookupMode::Hashed) return lookupKey(set, key, insert);
    for (std::int32_t s = set.buckets[h & 0xFFFFFu].head; s != 0;) {
        ++set.hashComparisons;  // every stored key of the bucket counts as compared
        const SeenSet::Entry& entry = set.slots[static_cast<std::size_t>(s)];
        if (entry.hash == h && entry.size == key.size() && storedKey(set, s) == key) return true;
        s = entry.next;
    }
    if (insert && set.keyCount < kMaxKeys) storeKey(set, key, h);
    return false;
}

void appendKey(SeenSet& set, std::string_view key) {
    if (set.keyCount >= kMaxKeys) return;
    storeKey(set, key, set.mode == LookupMode::Hashed ? fullKeyHash(key) : 0);
}

}  // namespace vestrel
