#pragma once
// The seen positions of a run: every position key stored so far, and the verdict on each
// record's key: new, a duplicate of a stored key, or a mirror image of one.

#include <cstdint>
#include <memory>
#include <string_view>

namespace vestrel {

// The set stores at most this many keys; after that nothing new is stored.
inline constexpr std::int32_t kMaxKeys = 999'999;

enum class LookupMode {
    Hashed,  // a key is seen when a stored key equals it
    Prefix,  // /1: a key is seen when a stored key begins with it
    None,    // /2: nothing is stored or found
};

struct SeenPolicy {
    LookupMode mode = LookupMode::Hashed;
    bool mirrorTest = false;  // /xy: look for mirror images of keys without castling and e.p.
    // /hc: keep keys in hash buckets in insertion order and count every stored key examined,
    // so no look-up may be skipped.
    bool countComparisons = false;
};

// What a key is to the keys stored before it (and, for a mirror, to itself): the mirror
// verdicts name the first image found, in the order "x", "y", "xy", then the reflection in
// the a1-h8 diagonal ("d") and its "x", "y", "xy" images.
enum class SeenVerdict {
    New,
    Duplicate,
    MirrorX,
    MirrorY,
    MirrorXY,
    MirrorD,
    MirrorDX,
    MirrorDY,
    MirrorDXY,
};

class SeenSet {
public:
    SeenSet();  // stores and finds nothing
    explicit SeenSet(const SeenPolicy& policy);
    SeenSet(SeenSet&&) noexcept;
    SeenSet& operator=(SeenSet&&) noexcept;
    ~SeenSet();

    // The verdict on a record's key. A new key is stored (while there is room) before its
    // mirror images are looked up, so a key can be its own mirror image.
    SeenVerdict mark(std::string_view key);

    // Asks for the memory that mark(key) will read first, so that the look-ups of records
    // prepared ahead wait for memory together.
    void expect(std::string_view key) const;

    // Stores a database key without looking it up; ignored when the set is full.
    void preload(std::string_view key);

    // Stored keys examined by the look-ups so far; counted only under countComparisons.
    std::int64_t comparisons() const;
    std::int32_t size() const;

private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

}  // namespace vestrel
