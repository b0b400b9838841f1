#include "filter/seen_set.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

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

enum class Lookup { Found, Stored };

constexpr std::array<SeenVerdict, 3> kMirrorVerdicts = {SeenVerdict::MirrorX, SeenVerdict::MirrorY,
                                                        SeenVerdict::MirrorXY};
constexpr std::array<SeenVerdict, 3> kDiagonalVerdicts = {
    SeenVerdict::MirrorDX, SeenVerdict::MirrorDY, SeenVerdict::MirrorDXY};

}  // namespace

struct SeenSet::Tables {
    SeenPolicy policy;
    std::int64_t count = 0;
    std::uint64_t expected = 0;  // keys the run said to expect, stored ones included
    TextStore store;
    FastTable fast;        // Hashed
    CountedTable counted;  // Hashed under countComparisons
    PrefixIndex prefix;    // Prefix

    // With the mirror test in the fast table, a key whose images share its symmetry signature
    // is filed under the signature: the key and all its images share one probe run, and a
    // key whose run holds no key of its signature has no image stored, so that most keys are
    // marked with one look-up and without building their images.
    bool byClass = false;
    std::vector<std::string_view> classmates;  // the stored keys of the class being marked

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

    // The hash a key is filed under: its class's when it has one, else its own.
    std::uint64_t filingHash(std::string_view key, const KeySymmetry& symmetry) const {
        if (byClass && symmetry.imagesShareSignature) return fast.hashOf(symmetry.signature);
        return hashOf(key);
    }
    std::uint64_t filingHash(std::string_view key) const {
        return byClass ? filingHash(key, analyseSymmetry(key)) : hashOf(key);
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

    // How the fast table files a stored text when it rebuilds itself.
    auto filer() const {
        return [this](std::string_view stored) { return filingHash(stored); };
    }

    // Stores the key without looking it up; in the fast table at `slot`, the empty slot found
    // for its hash. Throws std::bad_alloc when memory runs out.
    void add(std::string_view key, std::uint64_t hash, std::size_t slot) {
        const bool fastTable = policy.mode == LookupMode::Hashed && !counting();
        const TextPlace text = fastTable ? store.keepOrAdd(key) : store.add(key);
        ++count;
        if (policy.mode == LookupMode::Prefix) {
            prefix.keys->insert(store.text(text));
        } else if (counting()) {
            counted.add(text, std::uint32_t(hash));
        } else {
            fast.insert(slot, hash, text, store, filer());
        }
    }

    // Database keys stored in the text store but not yet in the fast table: a batch of them
    // has its slots fetched together, so that the memory waits of the preload overlap (on a
    // database of ten million lines that saves a second).
    struct Preloaded {
        std::uint64_t hash;
        TextPlace text;
    };
    std::array<Preloaded, 16> preloaded{};
    std::size_t preloadedCount = 0;

    void queuePreload(std::string_view key, std::uint64_t hash) {
        preloaded[preloadedCount++] = {hash, store.keepOrAdd(key)};
        ++count;
        __builtin_prefetch(fast.firstLine(hash));
        if (preloadedCount == preloaded.size()) flushPreloads();
    }

    // Puts the queued database keys into the fast table; a rebuild on the way takes only the
    // keys filed before, so those after it are filed in the new table.
    void flushPreloads() {
        for (std::size_t k = 0; k < preloadedCount; ++k) {
            const Preloaded& p = preloaded[k];
            fast.insert(fast.emptySlot(p.hash), p.hash, p.text, store, filer());
        }
        preloadedCount = 0;
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

    void buildImages(std::string_view key);
    void prepareImages(std::string_view key);
    SeenVerdict matchImages(std::string_view key);
    SeenVerdict matchClass(std::string_view key) const;
    SeenVerdict markInClass(std::string_view key, const SeenTicket& ticket);
    SeenVerdict markWithMirrors(std::string_view key, const SeenTicket& ticket);
};

// Builds the images of the key: "x", "y", "xy", and without pawns the diagonal reflection and
// its images.
void SeenSet::Tables::buildImages(std::string_view key) {
    mirrorImages(key, images);
    // Pawns cannot be reflected in the diagonal.
    hasReflection = !hasPawn(key.substr(0, key.find(' '))) && reflectDiagonal(key, reflected);
    if (hasReflection) mirrorImages(reflected, reflectedImages);
}

// Builds every image and asks for its table line before the first look-up, so that the
// memory waits of the image look-ups overlap.
void SeenSet::Tables::prepareImages(std::string_view key) {
    buildImages(key);
    for (std::size_t i = 0; i < 3; ++i) imageHashes[i] = hashOf(images[i]);
    if (hasReflection) {
        imageHashes[3] = hashOf(reflected);
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

// The first image, in look-up order, that is one of the stored keys of its class. An image
// that is the key itself is no match: a symmetric position mirrors nothing seen before.
SeenVerdict SeenSet::Tables::matchClass(std::string_view key) const {
    const auto stored = [&](std::string_view image) {
        return image != key &&
               std::find(classmates.begin(), classmates.end(), image) != classmates.end();
    };
    for (std::size_t i = 0; i < 3; ++i) {
        if (stored(images[i])) return kMirrorVerdicts[i];
    }
    if (!hasReflection) return SeenVerdict::New;
    if (stored(reflected)) return SeenVerdict::MirrorD;
    for (std::size_t i = 0; i < 3; ++i) {
        if (stored(reflectedImages[i])) return kDiagonalVerdicts[i];
    }
    return SeenVerdict::New;
}

// Marks a key filed under its class: only the stored keys of its class can be the key or one
// of its images.
SeenVerdict SeenSet::Tables::markInClass(std::string_view key, const SeenTicket& ticket) {
    classmates.clear();
    const std::size_t end = fast.collect(store, ticket.hash, classmates);
    // No stored key of the class, as for most keys: no stored key is the key or one of its
    // images.
    if (classmates.empty()) {
        add(key, ticket.hash, end);
        return SeenVerdict::New;
    }
    if (std::find(classmates.begin(), classmates.end(), key) != classmates.end()) {
        return SeenVerdict::Duplicate;
    }
    add(key, ticket.hash, end);  // the classmates' texts stay where they are
    buildImages(key);
    return matchClass(key);
}

SeenVerdict SeenSet::Tables::markWithMirrors(std::string_view key, const SeenTicket& ticket) {
    if (byClass && ticket.symmetry.imagesShareSignature) return markInClass(key, ticket);
    if (findOrStore(key, ticket.hash) == Lookup::Found) return SeenVerdict::Duplicate;
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
    // Skipped look-ups would not be counted, so no classes under countComparisons.
    if (policy.mirrorTest && !policy.countComparisons) {
        t.byClass = true;
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
    prepare(key, tables_->byClass ? analyseSymmetry(scan, key) : KeySymmetry{}, ticket);
}

void SeenSet::prepare(std::string_view key, const KeySymmetry& symmetry, SeenTicket& ticket) const {
    if (!tables_) return;
    const Tables& t = *tables_;
    // The mirror test takes keys with " - -" anywhere: no castling rights, no e.p. square. A
    // key whose images share its signature has " - -" as its third and fourth fields.
    if (t.byClass) {
        ticket.symmetry = symmetry;
        ticket.mirrorTest =
            ticket.symmetry.imagesShareSignature || key.find(" - -") != std::string_view::npos;
        ticket.hash = t.filingHash(key, ticket.symmetry);
    } else {
        ticket.mirrorTest = t.policy.mirrorTest && key.find(" - -") != std::string_view::npos;
        ticket.hash = t.hashOf(key);
    }
    if (const void* line = t.firstLine(ticket.hash)) {
        __builtin_prefetch(line);
        if (!t.counting()) __builtin_prefetch(t.fast.nextLine(ticket.hash));
    }
}

void SeenSet::prefetchTexts(const SeenTicket& ticket) const {
    if (!tables_ || tables_->counting() || tables_->policy.mode != LookupMode::Hashed) return;
    tables_->fast.prefetchTexts(tables_->store, ticket.hash);
}

SeenVerdict SeenSet::mark(std::string_view key, const SeenTicket& ticket) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return SeenVerdict::New;
    Tables& t = *tables_;
    if (t.preloadedCount != 0) t.flushPreloads();
    if (ticket.mirrorTest) return t.markWithMirrors(key, ticket);
    return t.findOrStore(key, ticket.hash) == Lookup::Found ? SeenVerdict::Duplicate
                                                            : SeenVerdict::New;
}

SeenVerdict SeenSet::mark(std::string_view key) {
    SeenTicket ticket;
    prepare(key, ticket);
    return mark(key, ticket);
}

void SeenSet::prepareLookUp(std::string_view key, SeenTicket& ticket) const {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return;
    const Tables& t = *tables_;
    ticket.mirrorTest = t.policy.mirrorTest && key.find(" - -") != std::string_view::npos;
    if (t.byClass) {
        ticket.symmetry = analyseSymmetry(key);
        ticket.hash = t.filingHash(key, ticket.symmetry);
    } else {
        ticket.hash = t.hashOf(key);
    }
    if (const void* line = t.firstLine(ticket.hash)) __builtin_prefetch(line);
}

SeenVerdict SeenSet::lookUp(std::string_view key, const SeenTicket& ticket) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return SeenVerdict::New;
    Tables& t = *tables_;
    if (t.preloadedCount != 0) t.flushPreloads();
    const bool mirrors = ticket.mirrorTest;
    if (t.byClass && ticket.symmetry.imagesShareSignature) {
        // The key and its images are filed under their class: only its keys can match.
        t.classmates.clear();
        t.fast.collect(t.store, ticket.hash, t.classmates);
        const auto& mates = t.classmates;
        if (std::find(mates.begin(), mates.end(), key) != mates.end()) {
            return SeenVerdict::Duplicate;
        }
        if (!mirrors || mates.empty()) return SeenVerdict::New;
        t.buildImages(key);
        return t.matchClass(key);
    }
    // Filed under its own hash: the ticket's hash is the key's.
    if (t.find(key, ticket.hash)) return SeenVerdict::Duplicate;
    if (!mirrors) return SeenVerdict::New;
    t.prepareImages(key);
    return t.matchImages(key);
}

SeenVerdict SeenSet::lookUp(std::string_view key) {
    SeenTicket ticket;
    prepareLookUp(key, ticket);
    return lookUp(key, ticket);
}

void SeenSet::preload(std::string_view key) {
    if (!tables_ || tables_->policy.mode == LookupMode::None) return;
    Tables& t = *tables_;
    const std::uint64_t hash = t.filingHash(key);
    if (t.policy.mode == LookupMode::Hashed && !t.counting()) {
        t.queuePreload(key, hash);
    } else {
        t.add(key, hash, 0);
    }
}

void SeenSet::expectKeys(std::uint64_t more) {
    if (!tables_ || tables_->policy.mode != LookupMode::Hashed || tables_->counting()) return;
    Tables& t = *tables_;
    t.flushPreloads();
    t.expected = std::max(t.expected, std::uint64_t(t.count)) + more;
    t.fast.reserve(std::size_t(t.expected), t.store, t.filer());
}

void SeenSet::keepKeysIn(std::shared_ptr<const MappedFile> file, KeptFile kind) {
    if (!tables_ || tables_->policy.mode != LookupMode::Hashed || tables_->counting()) return;
    Tables& t = *tables_;
    if (t.store.keepsTexts(kind)) {
        t.flushPreloads();
        t.fast.copyInKeptTexts(t.store, kind);
    }
    t.store.keepTextsIn(std::move(file), kind);
}

std::int64_t SeenSet::comparisons() const { return tables_ ? tables_->counted.comparisons : 0; }

std::int64_t SeenSet::size() const { return tables_ ? tables_->count : 0; }

}  // namespace vestrel
