#pragma once
// The seen positions of a run: every position key stored so far, and the verdict on each
// record's key: new, a duplicate of a stored key, or a mirror image of one.

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/line_reader.h"
#include "filter/text_store.h"
#include "position/symmetry.h"

namespace vestrel {

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

// What a key is to the keys stored before it: the mirror verdicts name the first image found, in
// the order "x", "y", "xy", then the reflection in the a1-h8 diagonal ("d") and its "x", "y", "xy"
// images.
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

// What SeenSet::prepare works out for a key before its turn to be marked.
struct SeenTicket {
    std::uint64_t hash = 0;
    bool mirrorTest = false;  // the key takes the mirror test
    KeySymmetry symmetry;     // worked out only when keys are filed by class (readsBoards)
};

class SeenSet {
public:
    SeenSet();  // stores and finds nothing
    explicit SeenSet(const SeenPolicy& policy);
    SeenSet(SeenSet&&) noexcept;
    SeenSet& operator=(SeenSet&&) noexcept;
    ~SeenSet();

    // Works out what marking the key needs first and asks for the memory it will read, so
    // that the look-ups of several records prepared ahead wait for memory together.
    void prepare(std::string_view key, SeenTicket& ticket) const;
    // The same with the key's placement already scanned, when readsBoards().
    void prepare(std::string_view key, const BoardScan& scan, SeenTicket& ticket) const;
    // The same with the key's symmetry worked out already, when readsBoards(): by
    // analyseSymmetry of the scanned placement and the key.
    void prepare(std::string_view key, const KeySymmetry& symmetry, SeenTicket& ticket) const;
    // Asks for the stored texts that marking the prepared key will compare with it; called a
    // few records after prepare, when the slots it asked for have come.
    void prefetchTexts(const SeenTicket& ticket) const;
    // True when preparing a key reads its placement as a board (the mirror test of the fast
    // table).
    bool readsBoards() const { return readsBoards_; }

    // The verdict on a record's key, prepared with its ticket. A new key is stored; an image
    // that is the key itself is no mirror of anything. The set holds as many keys as memory
    // allows; when memory runs out, std::bad_alloc is thrown.
    SeenVerdict mark(std::string_view key, const SeenTicket& ticket);
    // The same in one step.
    SeenVerdict mark(std::string_view key);

    // The verdict on a key that is never stored (the colour-reversed twin of --canonical):
    // Duplicate when it is stored, else under the mirror test, for a key with " - -", the
    // first of its images that is.
    SeenVerdict lookUp(std::string_view key);
    // The same in two steps: what the look-up needs first, asking for the memory it will read
    // (as prepare does), and the look-up.
    void prepareLookUp(std::string_view key, SeenTicket& ticket) const;
    SeenVerdict lookUp(std::string_view key, const SeenTicket& ticket);

    // Plans room for `more` keys beyond those stored or expected so far, so that a large
    // collection does not grow the tables step by step. A small table grows to the room planned
    // only once it is full, so that a file repeating a few keys keeps little memory.
    void expectKeys(std::uint64_t more);

    // From now on a key that lies in the mapped file is stored as its place there, not copied;
    // the set keeps the file mapped as long as it holds keys there. The keys kept in a file of
    // the same kind given before are copied in first.
    void keepKeysIn(std::shared_ptr<const MappedFile> file, KeptFile kind);

    // Stores a database key without looking it up.
    void preload(std::string_view key);

    // Stored keys examined by the look-ups so far; counted only under countComparisons.
    std::int64_t comparisons() const;
    std::int64_t size() const;

private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
    bool readsBoards_ = false;  // kept beside the tables: asked once per record
};

}  // namespace vestrel
