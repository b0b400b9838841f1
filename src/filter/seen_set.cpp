#include "filter/seen_set.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/zeroed_array.h"
#include "filter/counted_table.h"
#include "filter/fast_table.h"
#include "filter/prefix_index.h"
#include "filter/text_store.h"
#include "position/diagonal.h"
#include "position/mirror.h"
#include "position/placement.h"
#include "position/symmetry.h"

namespace vestrel {

namespace {

// Bits for the symmetry signatures: at least 2^24, and 16 a key expected, so that a clear bit
// stays likely (1M expected keys: 2^24 bits; 10M: 2^28, 32 MiB) and most keys skip the image
// look-ups. No more than 2^28 in advance: a guess from a huge file must not ask for memory
// that the keys may never need.
constexpr std::uint64_t kFewestSignatureBits = std::uint64_t{1} << 24;
constexpr std::uint64_t kSignatureBitsPerKey = 16;
constexpr std::uint64_t kMostSignatureBits = std::uint64_t{1} << 28;

enum class Lookup { Found, Stored };

constexpr std::array<SeenVerdict, 3> kMirrorVerdicts = {SeenVerdict::MirrorX, SeenVerdict::MirrorY,
                                                        SeenVerdict::MirrorXY};
constexpr std::array<SeenVerdict, 3> kDiagonalVerdicts = {
    SeenVerdict::MirrorDX, SeenVerdict::MirrorDY, SeenVerdict::MirrorDXY};

// The verdict on a key that is its own image.
SeenVerdict selfVerdict(BoardImage self) {
    switch (self) {
        case BoardImage::None:
            break;
        case BoardImage::X:
            return SeenVerdict::MirrorX;
        case BoardImage::Y:
            return SeenVerdict::MirrorY;
        case BoardImage::XY:
            return SeenVerdict::MirrorXY;
        case BoardImage::D:
            return SeenVerdict::MirrorD;
        case BoardImage::DX:
            return SeenVerdict::MirrorDX;
        case BoardImage::DY:
            return SeenVerdict::MirrorDY;
        case BoardImage::DXY:
            return SeenVerdict::MirrorDXY;
    }
    return SeenVerdict::New;
}

}  // namespace

struct SeenSet::Tables {
    SeenPolicy policy;
    std::int64_t count = 0;
    std::uint64_t expected = 0;  // keys the run said to expect, stored ones included
    TextStore store;
    FastTable fast;        // Hashed
    CountedTable counted;  // Hashed under countComparisons
    PrefixIndex prefix;    // Prefix

    // A clear bit proves that no stored key has that symmetry signature. Kept only when the
    // mirror test may skip look-ups: Hashed, mirror test on, comparisons not counted.
    bool signaturesOn = false;
    ZeroedArray<std::uint64_t> signatures;
    std::uint32_t signatureMask = 0;  // the bits of a signature that pick its bit

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
        return fast.firstLine(hash);
    }

    // True when the key is seen; never stores it.
    bool find(std::string_view key, std::uint64_t hash) {
        if (policy.mode == LookupMode::Prefix) return prefix.find(key);
        if (counting()) return counted.find(store, key, std::uint32_t(hash));
        return fast.holds(fast.probe(store, key, hash));
    }

    // Stores the key without looking it up; in the fast table at `slot`, the empty slot found
    // for its hash. Throws std::bad_alloc when memory runs out.
    void add(std::string_view key, std::uint64_t hash, std::size_t slot) {
        const TextPlace text = store.add(key);
        ++count;
        if (policy.mode == LookupMode::Prefix) {
            prefix.keys->insert(store.text(text));
        } else if (counting()) {
            counted.add(text, std::uint32_t(hash));
        } else {
            fast.insert(slot, hash, text, store);
        }
    }

    // Finds the key, or stores it.
    Lookup findOrStore(std::string_view key, std::uint64_t hash) {
        if (policy.mode == LookupMode::Hashed && !counting()) {
            const std::size_t slot = fast.probe(store, key, hash);
            if (fast.holds(slot)) return Lookup::Found;
            add(key, hash, slot);
            return Lookup::Stored;
        }
        if (find(key, hash)) return Lookup::Found;
        add(key, hash, 0);
        return Lookup::Stored;
    }

    std::uint64_t* signatureWord(std::uint32_t signature) {
        return &signatures[(signature & signatureMask) >> 6];
    }
    bool hasSignature(std::uint32_t signature) {
        return (*signatureWord(signature) >> (signature & 63)) & 1;
    }
    void markSignature(std::uint32_t signature) {
        *signatureWord(signature) |= std::uint64_t{1} << (signature & 63);
    }

    void allocateSignatures(std::uint64_t bits) {
        signatures = ZeroedArray<std::uint64_t>();
        signatures.growTo(bits / 64);
        signatureMask = std::uint32_t(bits - 1);
    }

    void prepareImages(std::string_view key);
    SeenVerdict matchImages();
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

// Looks the prepared images up in order, never storing them.
SeenVerdict SeenSet::Tables::matchImages() {
    for (std::size_t i = 0; i < 3; ++i) {
        if (find(images[i], imageHashes[i])) return kMirrorVerdicts[i];
    }
    if (!hasReflection) return SeenVerdict::New;
    if (find(reflected, imageHashes[3])) return SeenVerdict::MirrorD;
    for (std::size_t i = 0; i < 3; ++i) {
        if (find(reflectedImages[i], imageHashes[4 + i])) return kDiagonalVerdicts[i];
    }
    return SeenVerdict::New;
}

SeenVerdict SeenSet::Tables::markWithMirrors(std::string_view key, const SeenTicket& ticket) {
    const KeySymmetry& symmetry = ticket.symmetry;
    const bool signed_ = signaturesOn && symmetry.imagesShareSignature;
    if (signed_ && !hasSignature(symmetry.signature)) {
        // No stored key shares the signature, so no stored key is an image of this one: only
        // the key itself, once stored, can be.
        if (findOrStore(key, ticket.hash) == Lookup::Found) return SeenVerdict::Duplicate;
        markSignature(symmetry.signature);
        return selfVerdict(symmetry.self);
    }
    if (findOrStore(key, ticket.hash) == Lookup::Found) return SeenVerdict::Duplicate;
    if (signed_) markSignature(symmetry.signature);
    prepareImages(key);
    return matchImages();
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
        t.allocateSignatures(kFewestSignatureBits);
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
    __builtin_prefetch(&t.signatures[(ticket.symmetry.signature & t.signatureMask) >> 6]);
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

void SeenSet::preload(std::string_view key) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return;
    Tables& t = *tables_;
    const std::uint64_t hash = t.hashOf(key);
    const bool fast = t.policy.mode == LookupMode::Hashed && !t.counting();
    t.add(key, hash, fast ? t.fast.emptySlot(hash) : 0);
    if (!t.signaturesOn) return;
    const KeySymmetry symmetry = analyseSymmetry(key);
    if (symmetry.imagesShareSignature) t.markSignature(symmetry.signature);
}

void SeenSet::expectKeys(std::uint64_t more) {
    if (!tables_ || tables_->policy.mode != LookupMode::Hashed || tables_->counting()) return;
    Tables& t = *tables_;
    t.expected = std::max(t.expected, std::uint64_t(t.count)) + more;
    t.fast.reserve(std::size_t(t.expected), t.store);
    // The signatures of stored keys are not kept, so their bits can be spread only while none
    // is stored.
    if (!t.signaturesOn || t.count != 0) return;
    std::uint64_t bits = kFewestSignatureBits;
    while (bits < kMostSignatureBits && bits < t.expected * kSignatureBitsPerKey) bits *= 2;
    if (bits > std::uint64_t(t.signatureMask) + 1) t.allocateSignatures(bits);
}

std::int64_t SeenSet::comparisons() const { return tables_ ? tables_->counted.comparisons : 0; }

std::int64_t SeenSet::size() const { return tables_ ? tables_->count : 0; }

}  // namespace vestrel
