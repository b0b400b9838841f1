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
inline constexpr unsigned kChunkShift = 22;          // key chunks of 4 MiB
inline constexpr std::size_t kMaxChunks = 1u << 10;  // 4 GiB of key text at most

enum class LookupMode { Hashed, Prefix, None };

// Zeroed memory straight from the system, on huge pages where the system offers them: the
// tables cost nothing at start-up until a run fills them, and random look-ups over them miss
// the address cache less often. Never fails quietly: without its tables nothing can run.
void* allocateTable(std::size_t bytes);
void releaseTable(void* memory, std::size_t bytes);

// A fixed array of zero-initialised trivially copyable values.
template <typename T>
struct ZeroArray {
    struct Release {
        std::size_t bytes = 0;
        void operator()(T* p) const { releaseTable(p, bytes); }
    };
    std::unique_ptr<T[], Release> data;
    void allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        data = std::unique_ptr<T[], Release>(static_cast<T*>(allocateTable(bytes)), Release{bytes});
    }
    T& operator[](std::size_t i) { return data[i]; }
    const T& operator[](std::size_t i) const { return data[i]; }
};

struct SeenSet {
    LookupMode mode = LookupMode::Hashed;
    std::int32_t keyCount = 0;
    std::int64_t hashComparisons = 0;  // stored keys examined by hashed look-ups

    // Key texts live in fixed chunks that never move, so views into them stay valid.
    std::vector<ZeroArray<char>> chunks;
    std::size_t chunkUsed = 0;

    // Slot s holds key s: where its text is, and its link in its hash bucket with the key's
    // full hash, so a look-up passes over other keys of the bucket without reading them.
    struct Entry {
        std::uint32_t place;  // chunk number << kChunkShift | offset in the chunk
        std::uint32_t size;
        std::int32_t next;  // next slot of the same bucket, in insertion order; 0 at the end
        std::uint32_t hash;
    };
    ZeroArray<Entry> slots;  // sized once

    // Buckets as singly linked lists of slots in insertion order.
    struct Bucket {
        std::int32_t head;
        std::int32_t tail;
    };
    ZeroArray<Bucket> buckets;

    // Optional: one bit per signature of the stored keys (see markSignature), so a test can
    // tell cheaply that no stored key shares a signature. Off unless enableSignatures ran.
    bool signaturesOn = false;
    ZeroArray<std::uint64_t> signatureBits;

    // Ordered index of the stored keys, used by the prefix mode only.
    std::unique_ptr<std::pmr::monotonic_buffer_resource> indexMemory;
    std::unique_ptr<std::pmr::set<std::string_view>> ordered;
};

// Allocates the table and buckets at their fixed sizes. `mode` follows /1 and /2: with /2
// the set is only filled by appendKey and never searched, so no buckets are built.
void initSeenSet(SeenSet& set, LookupMode mode);

// The text of stored key `slot` (1 to keyCount).
std::string_view storedKey(const SeenSet& set, std::int32_t slot);

// djb2 over the key's bytes, reduced to its low 20 bits.
std::uint32_t keyHash(std::string_view key);
// The full 32-bit djb2 value, whose low 20 bits are keyHash.
std::uint32_t fullKeyHash(std::string_view key);

// True when the key was seen before. With `insert`, a key not found is stored while the table
// has room. The hashed mode raises hashComparisons once per stored key examined.
bool lookupKey(SeenSet& set, std::string_view key, bool insert);

// The same with the key's full hash already known.
bool lookupKeyHashed(SeenSet& set, std::string_view key, std::uint32_t fullHash, bool insert);

// Asks the memory system for the bucket of a key about to be looked up, so that several
// look-ups of one record wait for memory together instead of one after another.
inline void prefetchBucket(const SeenSet& set, std::uint32_t fullHash) {
    if (set.mode == LookupMode::Hashed) __builtin_prefetch(&set.buckets[fullHash & 0xFFFFFu]);
}

// Signatures: a caller-defined 32-bit value per stored key, kept as bits. A clear bit proves
// that no key with that signature was marked; a set bit proves nothing.
inline constexpr std::uint32_t kSignatureBits = 1u << 24;
void enableSignatures(SeenSet& set);
inline void markSignature(SeenSet& set, std::uint32_t signature) {
    const std::uint32_t bit = signature & (kSignatureBits - 1);
    set.signatureBits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
}
inline bool hasSignature(const SeenSet& set, std::uint32_t signature) {
    const std::uint32_t bit = signature & (kSignatureBits - 1);
    return (set.signatureBits[bit >> 6] >> (bit & 63)) & 1;
}

// Stores a key without looking it up (the database preload); ignored when the table is full.
void appendKey(SeenSet& set, std::string_view key);

}  // namespace vestrel
