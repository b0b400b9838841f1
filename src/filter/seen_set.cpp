#include "filter/seen_set.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory_resource>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/platform.h"
#include "position/diagonal.h"
#include "position/mirror.h"
#include "position/placement.h"
#include "position/symmetry.h"

namespace vestrel {

namespace {

// Key texts live in chunks of 4 MiB that never move, at most 4 GiB in all.
constexpr unsigned kChunkShift = 22;
constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;
constexpr std::size_t kMaxChunks = 1u << 10;

// The counted structure of /hc: djb2 values reduced to 20 bits pick the bucket.
constexpr std::uint32_t kBucketMask = (1u << 20) - 1;

// Open addressing: 2^21 slots for at most 999,999 keys, so probe runs stay short.
constexpr unsigned kSlotBits = 21;

// One bit per symmetry signature.
constexpr std::uint32_t kSignatureBits = 1u << 24;

// Zeroed memory straight from the system, on huge pages where the system offers them: the
// tables cost nothing at start-up until a run fills them. Without its tables nothing can
// run: a refusal throws std::bad_alloc, which ends the run with its message.
void* allocateTable(std::size_t bytes) {
    void* memory = allocateZeroed(bytes);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

// A fixed array of zero-initialised trivially copyable values.
template <typename T>
struct ZeroArray {
    struct Release {
        std::size_t bytes = 0;
        void operator()(T* p) const { releaseZeroed(p, bytes); }
    };
    std::unique_ptr<T[], Release> data;
    void allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        data = std::unique_ptr<T[], Release>(static_cast<T*>(allocateTable(bytes)), Release{bytes});
    }
    T& operator[](std::size_t i) { return data[i]; }
    const T& operator[](std::size_t i) const { return data[i]; }
};

// Where a stored key's text is: chunk number << kChunkShift | offset, and its size.
struct TextRef {
    std::uint32_t place;
    std::uint32_t size;
};

struct TextStore {
    std::vector<ZeroArray<char>> chunks;
    std::size_t used = 0;

    // Copies the key in; false when the store cannot take it.
    bool add(std::string_view key, TextRef& ref) {
        const std::size_t need = key.size();
        if (need > UINT32_MAX) return false;
        if (chunks.empty() || used + need > kChunkBytes) {
            if (chunks.size() >= kMaxChunks) return false;
            // An oversized key gets a chunk of its own size, which is full at once.
            chunks.emplace_back();
            chunks.back().allocate(need > kChunkBytes ? need : kChunkBytes);
            used = 0;
        }
        if (need != 0) std::memcpy(chunks.back().data.get() + used, key.data(), need);
        ref.place = static_cast<std::uint32_t>(((chunks.size() - 1) << kChunkShift) | used);
        ref.size = static_cast<std::uint32_t>(need);
        used = need > kChunkBytes ? kChunkBytes : used + need;
        return true;
    }

    std::string_view text(TextRef ref) const {
        if (ref.size == 0) return {};
        const char* chunk = chunks[ref.place >> kChunkShift].data.get();
        return {chunk + (ref.place & (kChunkBytes - 1)), ref.size};
    }
};

// The full 32-bit djb2 value of a key.
std::uint32_t djb2(std::string_view key) {
    std::uint32_t h = 5381;
    for (unsigned char b : key) h = h * 33u + b;
    return h;
}

// The /hc structure. Entry n holds key n with its link in its bucket and its full hash, so a
// look-up passes over the other keys of the bucket without reading their texts.
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
    ZeroArray<Entry> entries;  // entry 0 is never used
    ZeroArray<Bucket> buckets;
    std::int64_t comparisons = 0;

    void allocate() {
        entries.allocate(std::size_t(kMaxKeys) + 1);
        buckets.allocate(std::size_t(kBucketMask) + 1);
    }
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

    void add(std::int32_t n, TextRef text, std::uint32_t hash) {
        entries[std::size_t(n)] = {text, 0, hash};
        Bucket& bucket = buckets[hash & kBucketMask];
        if (bucket.tail == 0) {
            bucket.head = n;
        } else {
            entries[std::size_t(bucket.tail)].next = n;
        }
        bucket.tail = n;
    }
};

__extension__ using Wide = unsigned __int128;

// The product's two halves folded together.
inline std::uint64_t foldedProduct(std::uint64_t a, std::uint64_t b) {
    const Wide product = Wide(a) * b;
    return std::uint64_t(product) ^ std::uint64_t(product >> 64);
}

inline std::uint64_t read64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t read32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The bytes at the end of a key, fewer than 17, as two words.
inline void readTail(const char* p, std::size_t n, std::uint64_t& a, std::uint64_t& b) {
    if (n >= 8) {
        a = read64(p);
        b = read64(p + n - 8);
    } else if (n >= 4) {
        a = read32(p);
        b = read32(p + n - 4);
    } else if (n > 0) {
        a = (std::uint64_t(std::uint8_t(p[0])) << 16) |
            (std::uint64_t(std::uint8_t(p[n / 2])) << 8) | std::uint8_t(p[n - 1]);
        b = 0;
    } else {
        a = b = 0;
    }
}

// Open addressing on a 64-bit hash keyed with secrets drawn at start-up, so no input can
// be made to collide on purpose. A slot holds the key's full hash, so a look-up reads no
// key text but that of a probable match, and usually touches one cache line.
struct FastTable {
    struct Slot {
        std::uint64_t hash;  // 0: empty
        TextRef text;
    };
    ZeroArray<Slot> slots;
    std::array<std::uint64_t, 3> secret{};

    void allocate() {
        slots.allocate(std::size_t{1} << kSlotBits);
        std::random_device device;
        const auto now = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        for (std::uint64_t& s : secret) {
            s = (std::uint64_t(device()) << 32 | device()) ^ now ^
                reinterpret_cast<std::uintptr_t>(&s);
            s |= 1;
        }
    }

    std::uint64_t hashOf(std::string_view key) const {
        const char* p = key.data();
        std::size_t n = key.size();
        std::uint64_t h = secret[0];
        for (; n > 16; n -= 16, p += 16) {
            h = foldedProduct(read64(p) ^ secret[1], read64(p + 8) ^ secret[2] ^ h);
        }
        std::uint64_t a;
        std::uint64_t b;
        readTail(p, n, a, b);
        h = foldedProduct(a ^ secret[1], b ^ secret[2] ^ h);
        return foldedProduct(h ^ secret[0], key.size() ^ secret[1]) | 1;
    }

    static std::size_t home(std::uint64_t hash) { return std::size_t(hash >> (64 - kSlotBits)); }
    static std::size_t after(std::size_t i) {
        return (i + 1) & ((std::size_t{1} << kSlotBits) - 1);
    }

    // The slot holding the key, or the empty slot that ends its probe run.
    std::size_t probe(const TextStore& store, std::string_view key, std::uint64_t hash) const {
        std::size_t i = home(hash);
        for (; slots[i].hash != 0; i = after(i)) {
            const Slot& slot = slots[i];
            if (slot.hash == hash && slot.text.size == key.size() && store.text(slot.text) == key) {
                break;
            }
        }
        return i;
    }

    std::size_t emptySlot(std::uint64_t hash) const {
        std::size_t i = home(hash);
        while (slots[i].hash != 0) i = after(i);
        return i;
    }
};

// The ordered index of /1, searched for stored keys that begin with a key.
struct PrefixIndex {
    std::unique_ptr<std::pmr::monotonic_buffer_resource> memory;
    std::unique_ptr<std::pmr::set<std::string_view>> keys;

    void allocate() {
        memory = std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 20);
        keys = std::make_unique<std::pmr::set<std::string_view>>(memory.get());
    }
    // The first stored key not less than `key` begins with it exactly when any does.
    bool find(std::string_view key) const {
        const auto it = keys->lower_bound(key);
        return it != keys->end() && it->substr(0, key.size()) == key;
    }
};

enum class Lookup { Found, Stored, Full };

constexpr std::array<SeenVerdict, 3> kMirrorVerdicts = {SeenVerdict::MirrorX, SeenVerdict::MirrorY,
                                                        SeenVerdict::MirrorXY};
constexpr std::array<SeenVerdict, 3> kDiagonalVerdicts = {
    SeenVerdict::MirrorDX, SeenVerdict::MirrorDY, SeenVerdict::MirrorDXY};

}  // namespace

struct SeenSet::Tables {
    SeenPolicy policy;
    std::int32_t count = 0;
    TextStore store;
    FastTable fast;        // Hashed
    CountedTable counted;  // Hashed under countComparisons
    PrefixIndex prefix;    // Prefix

    // A clear bit proves that no stored key has that symmetry signature. Kept only when the
    // mirror test may skip look-ups: Hashed, mirror test on, comparisons not counted.
    bool signaturesOn = false;
    ZeroArray<std::uint64_t> signatures;

    // The images of the key being marked and their hashes, in look-up order: "x", "y",
    // "xy", the diagonal reflection, then its "x", "y", "xy".
    MirrorImages images;
    std::string reflected;
    MirrorImages reflectedImages;
    bool hasReflection = false;
    std::array<std::uint64_t, 7> imageHashes{};

    bool counting() const { return policy.countComparisons; }

    // The key's hash in the table of the mode: djb2 for the counted buckets, else seeded.
    std::uint64_t hashOf(std::string_view key) const {
        if (policy.mode != LookupMode::Hashed) return 0;
        return counting() ? djb2(key) : fast.hashOf(key);
    }

    // The table line a look-up of the key starts with; nullptr outside the hashed mode. The
    // caller hands it to __builtin_prefetch itself: a member function holding nothing but the
    // prefetch counts as free of effects, and the compiler drops calls to it.
    const void* firstLine(std::uint64_t hash) const {
        if (policy.mode != LookupMode::Hashed) return nullptr;
        if (counting()) return &counted.bucketOf(hash);
        return &fast.slots[FastTable::home(hash)];
    }

    // True when the key is seen; never stores it.
    bool find(std::string_view key, std::uint64_t hash) {
        if (policy.mode == LookupMode::Prefix) return prefix.find(key);
        if (counting()) return counted.find(store, key, std::uint32_t(hash));
        return fast.slots[fast.probe(store, key, hash)].hash != 0;
    }

    // Stores the key without looking it up, while there is room.
    bool add(std::string_view key, std::uint64_t hash, std::size_t slot) {
        TextRef text;
        if (count >= kMaxKeys || !store.add(key, text)) return false;
        ++count;
        if (policy.mode == LookupMode::Prefix) {
            prefix.keys->insert(store.text(text));
        } else if (counting()) {
            counted.add(count, text, std::uint32_t(hash));
        } else {
            fast.slots[slot] = {hash, text};
        }
        return true;
    }

    // Finds the key, or stores it while there is room.
    Lookup findOrStore(std::string_view key, std::uint64_t hash) {
        if (policy.mode == LookupMode::Hashed && !counting()) {
            const std::size_t slot = fast.probe(store, key, hash);
            if (fast.slots[slot].hash != 0) return Lookup::Found;
            return add(key, hash, slot) ? Lookup::Stored : Lookup::Full;
        }
        if (find(key, hash)) return Lookup::Found;
        return add(key, hash, 0) ? Lookup::Stored : Lookup::Full;
    }

    std::uint64_t* signatureWord(std::uint32_t signature) {
        return &signatures[(signature & (kSignatureBits - 1)) >> 6];
    }
    bool hasSignature(std::uint32_t signature) {
        return (*signatureWord(signature) >> (signature & 63)) & 1;
    }
    void markSignature(std::uint32_t signature) {
        *signatureWord(signature) |= std::uint64_t{1} << (signature & 63);
    }

    void prepareImages(std::string_view key);
    SeenVerdict matchImages(std::string_view key);
    SeenVerdict markWithMirrors(std::string_view key, const SeenTicket& ticket);
};

// Builds every image and asks for its table line before the first look-up, so that the
// memory waits of the image look-ups overlap.
void SeenSet::Tables::prepareImages(std::string_view key) {
    mirrorImages(key, images);
    for (std::size_t i = 0; i < 3; ++i) imageHashes[i] = hashOf(images[i]);
    // Pawns cannot be reflected in the diagonal.
    hasReflection = !hasPawn(key.substr(0, key.find(' '))) && reflectDiagonal(key, reflected);
    if (hasReflection) {
        imageHashes[3] = hashOf(reflected);
        mirrorImages(reflected, reflectedImages);
        for (std::size_t i = 0; i < 3; ++i) imageHashes[4 + i] = hashOf(reflectedImages[i]);
    }
    const std::size_t count = hasReflection ? 7 : 3;
    for (std::size_t i = 0; i < count; ++i) {
        if (const void* line = firstLine(imageHashes[i])) __builtin_prefetch(line);
    }
}

// Looks the prepared images up in order, never storing them. An image that is the key itself
// finds only the key just stored: a symmetric position mirrors nothing seen before.
SeenVerdict SeenSet::Tables::matchImages(std::string_view key) {
    const auto other = [&](std::string_view image, std::uint64_t hash) {
        return image != key && find(image, hash);
    };
    for (std::size_t i = 0; i < 3; ++i) {
        if (other(images[i], imageHashes[i])) return kMirrorVerdicts[i];
    }
    if (!hasReflection) return SeenVerdict::New;
    if (other(reflected, imageHashes[3])) return SeenVerdict::MirrorD;
    for (std::size_t i = 0; i < 3; ++i) {
        if (other(reflectedImages[i], imageHashes[4 + i])) return kDiagonalVerdicts[i];
    }
    return SeenVerdict::New;
}

SeenVerdict SeenSet::Tables::markWithMirrors(std::string_view key, const SeenTicket& ticket) {
    const KeySymmetry& symmetry = ticket.symmetry;
    const bool signed_ = signaturesOn && symmetry.imagesShareSignature;
    if (signed_ && !hasSignature(symmetry.signature)) {
        // No stored key shares the signature, so no stored key is an image of this one.
        const Lookup lookup = findOrStore(key, ticket.hash);
        if (lookup == Lookup::Found) return SeenVerdict::Duplicate;
        if (lookup == Lookup::Stored) markSignature(symmetry.signature);
        return SeenVerdict::New;
    }
    const Lookup lookup = findOrStore(key, ticket.hash);
    if (lookup == Lookup::Found) return SeenVerdict::Duplicate;
    if (lookup == Lookup::Stored && signed_) markSignature(symmetry.signature);
    prepareImages(key);
    return matchImages(key);
}

SeenSet::SeenSet() = default;

SeenSet::SeenSet(const SeenPolicy& policy) : tables_(std::make_unique<Tables>()) {
    Tables& t = *tables_;
    t.policy = policy;
    if (policy.mode == LookupMode::Prefix) t.prefix.allocate();
    if (policy.mode != LookupMode::Hashed) return;
    if (policy.countComparisons) {
        t.counted.allocate();
    } else {
        t.fast.allocate();
    }
    // Skipped look-ups would not be counted, so no shortcut under countComparisons.
    if (policy.mirrorTest && !policy.countComparisons) {
        t.signatures.allocate(kSignatureBits / 64);
        t.signaturesOn = true;
        readsBoards_ = true;
    }
}

SeenSet::SeenSet(SeenSet&&) noexcept = default;
SeenSet& SeenSet::operator=(SeenSet&&) noexcept = default;
SeenSet::~SeenSet() = default;

void SeenSet::prepare(std::string_view key, SeenTicket& ticket) const {
    BoardScan scan;
    if (readsBoards()) scanBoard(key, scan);
    prepare(key, scan, ticket);
}

void SeenSet::prepare(std::string_view key, const BoardScan& scan, SeenTicket& ticket) const {
    if (!tables_) return;
    const Tables& t = *tables_;
    ticket.hash = t.hashOf(key);
    if (const void* line = t.firstLine(ticket.hash)) __builtin_prefetch(line);
    if (!t.policy.mirrorTest) return;
    // The mirror test takes keys with " - -" anywhere: no castling rights, no e.p. square. A
    // key whose images share its signature has " - -" as its third and fourth fields.
    if (!t.signaturesOn) {
        ticket.mirrorTest = key.find(" - -") != std::string_view::npos;
        return;
    }
    ticket.symmetry = analyseSymmetry(scan, key);
    ticket.mirrorTest =
        ticket.symmetry.imagesShareSignature || key.find(" - -") != std::string_view::npos;
    const std::uint32_t bit = ticket.symmetry.signature & (kSignatureBits - 1);
    __builtin_prefetch(&t.signatures[bit >> 6]);
}

SeenVerdict SeenSet::mark(std::string_view key, const SeenTicket& ticket) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return SeenVerdict::New;
    Tables& t = *tables_;
    if (ticket.mirrorTest) return t.markWithMirrors(key, ticket);
    return t.findOrStore(key, ticket.hash) == Lookup::Found ? SeenVerdict::Duplicate
                                                            : SeenVerdict::New;
}

SeenVerdict SeenSet::mark(std::string_view key) {
    SeenTicket ticket;
    prepare(key, ticket);
    return mark(key, ticket);
}

SeenVerdict SeenSet::lookUp(std::string_view key) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return SeenVerdict::New;
    Tables& t = *tables_;
    if (t.find(key, t.hashOf(key))) return SeenVerdict::Duplicate;
    if (!t.policy.mirrorTest || key.find(" - -") == std::string_view::npos) {
        return SeenVerdict::New;
    }
    t.prepareImages(key);
    return t.matchImages(key);
}

void SeenSet::preload(std::string_view key) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return;
    Tables& t = *tables_;
    const std::uint64_t hash = t.hashOf(key);
    const bool fast = t.policy.mode == LookupMode::Hashed && !t.counting();
    if (!t.add(key, hash, fast ? t.fast.emptySlot(hash) : 0) || !t.signaturesOn) return;
    const KeySymmetry symmetry = analyseSymmetry(key);
    if (symmetry.imagesShareSignature) t.markSignature(symmetry.signature);
}

std::int64_t SeenSet::comparisons() const { return tables_ ? tables_->counted.comparisons : 0; }

std::int32_t SeenSet::size() const { return tables_ ? tables_->count : 0; }

}  // namespace vestrel
