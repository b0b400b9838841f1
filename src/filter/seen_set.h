#pragma once
// The seen-position set: every position key stored during the run, found again by a hashed
// look-up (default) or, with /1, by "some stored key begins with this key".

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <memory_resource>
#include <set>
#include <string_view>
#include <vector>

namespace vestrel {

inline constexpr std::int32_t kKeyTableSlots = 1'000'000;  // slot 0 is never used
inline constexpr std::int32_t kMaxKeys = kKeyTableSlots - 1;
inline constexpr std::uint32_t kHashBuckets = 1u << 20;

enum class LookupMode { Hashed, Prefix, None };

// A fixed array of zero bytes. Its pages come from the system untouched, so the full-size
// tables cost nothing at start-up until a run fills them.
template <typename T>
struct ZeroArray {
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T[], Free> data;
    void allocate(std::size_t count) {
        data.reset(static_cast<T*>(std::calloc(count, sizeof(T))));
        if (!data) std::abort();  // the tables are sized once; without them nothing can run
    }
    T& operator[](std::size_t i) { return data[i]; }
    const T& operator[](std::size_t i) const { return data[i]; }
};

// Where a stored key's bytes are; all zero for an unused slot.
struct KeyRef {
    const char* bytes;
    std::size_t size;
    std::string_view text() const { return {bytes, size}; }
};

struct SeenSet {
    LookupMode mode = LookupMode::Hashed;
    std::int32_t keyCount = 0;
    std::int64_t hashComparisons = 0;  // stored keys examined by hashed look-ups

    // Key texts live in fixed chunks that never move, so views into them stay valid.
    std::vector<std::unique_ptr<char[]>> chunks;
    std::size_t chunkUsed = 0;
    ZeroArray<KeyRef> slots;  // slot s holds key s; sized once

    // Buckets as singly linked lists of slots in insertion order.
    ZeroArray<std::int32_t> bucketHead;
    ZeroArray<std::int32_t> bucketTail;
    ZeroArray<std::int32_t> nextInBucket;

    // Ordered index of the stored keys, used by the prefix mode only.
    std::unique_ptr<std::pmr::monotonic_buffer_resource> indexMemory;
    std::unique_ptr<std::pmr::set<std::string_view>> ordered;
};

// Allocates the table and buckets at their fixed sizes. `mode` follows /1 and /2: with /2
// the set is only filled by appendKey and never searched, so no buckets are built.
void initSeenSet(SeenSet& set, LookupMode mode);

// djb2 over the key's bytes, reduced to its low 20 bits.
std::uint32_t keyHash(std::string_view key);

// True when the key was seen before. With `insert`, a key not found is stored while the table
// has room. The hashed mode raises hashComparisons once per stored key examined.
bool lookupKey(SeenSet& set, std::string_view key, bool insert);

// Stores a key without looking it up (the database preload); ignored when the table is full.
void appendKey(SeenSet& set, std::string_view key);

}  // namespace vestrel
