#include "filter/seen_set.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "base/platform.h"

namespace vestrel {
namespace {

constexpr SeenPolicy kFast{LookupMode::Hashed, false, false};
constexpr SeenPolicy kCounted{LookupMode::Hashed, false, true};
constexpr SeenPolicy kPrefix{LookupMode::Prefix, false, false};

// Keys whose en-passant fields are made of the blocks "Ab" and "BA", which add the same to a
// djb2 value: all of them share one full 32-bit djb2 value and so one counted bucket.
std::string collidingKey(unsigned n) {
    std::string key = "8/8/8/8/8/8/8/K6k w - ";
    for (int block = 0; block < 16; ++block) key += ((n >> block) & 1) ? "BA" : "Ab";
    return key + " bm #";
}

TEST(SeenSet, CountsEveryStoredKeyOfTheBucketExamined) {
    SeenSet set(kCounted);
    const std::string a = collidingKey(0);
    const std::string b = collidingKey(1);
    EXPECT_EQ(set.mark(a), SeenVerdict::New);  // empty bucket: no comparison
    EXPECT_EQ(set.comparisons(), 0);
    EXPECT_EQ(set.mark(b), SeenVerdict::New);  // one stored key examined
    EXPECT_EQ(set.comparisons(), 1);
    EXPECT_EQ(set.mark(a), SeenVerdict::Duplicate);  // hit on the first key of the bucket
    EXPECT_EQ(set.comparisons(), 2);
    EXPECT_EQ(set.mark(b), SeenVerdict::Duplicate);  // hit on the second
    EXPECT_EQ(set.comparisons(), 4);
    EXPECT_EQ(set.size(), 2);
}

// Colliding keys in both tables: every key is new once, then a duplicate, and the counted
// structure walks the whole bucket for each new key.
TEST(SeenSet, TellsCollidingKeysApart) {
    for (const SeenPolicy& policy : {kFast, kCounted}) {
        SeenSet set(policy);
        constexpr unsigned kKeys = 300;
        for (unsigned n = 0; n < kKeys; ++n) {
            ASSERT_EQ(set.mark(collidingKey(n)), SeenVerdict::New) << n;
        }
        for (unsigned n = 0; n < kKeys; ++n) {
            ASSERT_EQ(set.mark(collidingKey(n)), SeenVerdict::Duplicate) << n;
        }
        EXPECT_EQ(set.mark(collidingKey(kKeys)), SeenVerdict::New);
        EXPECT_EQ(set.size(), int(kKeys) + 1);
        const std::int64_t expected = policy.countComparisons
                                          ? std::int64_t{kKeys} * (kKeys - 1) / 2 +      // new keys
                                                std::int64_t{kKeys} * (kKeys + 1) / 2 +  // found
                                                kKeys                                    // last
                                          : 0;
        EXPECT_EQ(set.comparisons(), expected);
    }
}

TEST(SeenSet, PrefixModeFindsStoredKeysThatBeginWithTheKey) {
    const std::string stored = "8/8/8/8/8/8/8/K6k w - - bm h#";
    SeenSet prefix(kPrefix);
    EXPECT_EQ(prefix.mark(stored), SeenVerdict::New);
    EXPECT_EQ(prefix.mark(stored), SeenVerdict::Duplicate);
    EXPECT_EQ(prefix.mark("8/8/8/8/8/8/8/K6k w - - bm h"), SeenVerdict::Duplicate);
    EXPECT_EQ(prefix.mark("8/8/8/8/8/8/8/K6k w - - bm h#2"), SeenVerdict::New);
    EXPECT_EQ(prefix.comparisons(), 0);

    SeenSet hashed(kFast);
    hashed.mark(stored);
    EXPECT_EQ(hashed.mark("8/8/8/8/8/8/8/K6k w - - bm h"), SeenVerdict::New);
}

TEST(SeenSet, PreloadStoresEvenRepeatedKeys) {
    for (const SeenPolicy& policy : {kFast, kCounted, kPrefix}) {
        SeenSet set(policy);
        set.preload("k");
        set.preload("k");
        EXPECT_EQ(set.size(), 2);
        EXPECT_EQ(set.mark("k"), SeenVerdict::Duplicate);
        EXPECT_EQ(set.comparisons(), policy.countComparisons ? 1 : 0);  // the first of the two
    }
    SeenSet unsearched(SeenPolicy{LookupMode::None, true, false});
    unsearched.preload("k");
    EXPECT_EQ(unsearched.mark("k"), SeenVerdict::New);
    EXPECT_EQ(SeenSet().mark("k"), SeenVerdict::New);
}

// The set once stopped storing at 999,999 keys; now every key past that is stored and found,
// in every mode, preloaded or marked, and the tables grow many times on the way (while keys
// preloaded in a batch wait to be filed).
TEST(SeenSet, KeepsStoringPastNineHundredNinetyNineThousandKeys) {
    constexpr int kOldLimit = 999'999;
    for (const SeenPolicy& policy : {kFast, kCounted, kPrefix}) {
        SeenSet set(policy);
        for (int i = 0; i < kOldLimit; ++i) set.preload("key " + std::to_string(i));
        ASSERT_EQ(set.size(), kOldLimit);
        set.preload("one more");
        EXPECT_EQ(set.mark("new key"), SeenVerdict::New);
        EXPECT_EQ(set.mark("new key"), SeenVerdict::Duplicate);
        EXPECT_EQ(set.mark("one more"), SeenVerdict::Duplicate);
        EXPECT_EQ(set.size(), kOldLimit + 2);
        for (int i = 0; i < kOldLimit; ++i) {
            ASSERT_EQ(set.mark("key " + std::to_string(i)), SeenVerdict::Duplicate) << i;
        }
        EXPECT_EQ(set.mark("key 999998"), SeenVerdict::Duplicate);
        EXPECT_EQ(set.mark("key 999999"), SeenVerdict::New);
    }
}

// The key of a board with the white king on `a`, the black king on `b` and a white rook on `c`
// (squares 0 to 63, rank 8 first), or its left-right mirror image.
std::string threePieceKey(int a, int b, int c, bool mirrored = false) {
    std::string squares(64, '1');
    squares[std::size_t(a)] = 'K';
    squares[std::size_t(b)] = 'k';
    squares[std::size_t(c)] = 'R';
    std::string key;
    for (int rank = 0; rank < 8; ++rank) {
        std::string row = squares.substr(std::size_t(rank) * 8, 8);
        if (mirrored) row.assign(row.rbegin(), row.rend());
        key += row + (rank < 7 ? "/" : "");
    }
    return key + " w - - bm #";  // unpacked digits: still equal for equal boards
}

// A run that expects millions of keys starts with a small table and grows it to the room
// planned when that is full: the keys stored before and after are all found, and so are the
// mirror images of the first ones, filed by their class. The white king stands on one of six
// squares that no symmetry of the board takes to another or to itself, so that no key is an
// image of another.
TEST(SeenSet, FindsEveryKeyWhenTheTableGrowsToTheRoomPlanned) {
    constexpr int kKeys = 20'000;                        // past the small table's 12,288
    const int kingSquares[] = {48, 40, 41, 32, 33, 34};  // a2, a3, b3, a4, b4, c4
    for (const bool mirrors : {false, true}) {
        SeenSet set(SeenPolicy{LookupMode::Hashed, mirrors, false});
        set.expectKeys(5'000'000);
        set.expectKeys(1'000'000);  // a database's keys, planned after the input's
        std::vector<std::string> keys;
        for (const int king : kingSquares) {
            for (int b = 0; b < 64; ++b) {
                for (int c = 0; c < 64; ++c) {
                    if (b != king && c != king && c != b) keys.push_back(threePieceKey(king, b, c));
                }
            }
        }
        keys.resize(kKeys);
        for (const std::string& key : keys) ASSERT_EQ(set.mark(key), SeenVerdict::New) << key;
        EXPECT_EQ(set.size(), kKeys);
        for (std::size_t i = 0; i < keys.size(); i += 997) {
            EXPECT_EQ(set.mark(keys[i]), SeenVerdict::Duplicate) << keys[i];
        }
        EXPECT_EQ(set.mark(keys.back()), SeenVerdict::Duplicate);
        EXPECT_EQ(set.mark(threePieceKey(48, 0, 1, true)),
                  mirrors ? SeenVerdict::MirrorX : SeenVerdict::New);
    }
}

TEST(SeenSet, KeepsKeysLongerThanAChunk) {
    SeenSet set(kFast);
    const std::string huge(3 << 20, 'q');
    EXPECT_EQ(set.mark("small"), SeenVerdict::New);
    EXPECT_EQ(set.mark(huge), SeenVerdict::New);
    EXPECT_EQ(set.mark("after"), SeenVerdict::New);
    EXPECT_EQ(set.mark(huge), SeenVerdict::Duplicate);
    EXPECT_EQ(set.mark("small"), SeenVerdict::Duplicate);
    EXPECT_EQ(set.mark("after"), SeenVerdict::Duplicate);
}

// The keys, one a line, in a file mapped whole; `views` gets each key's view of the mapping.
// The file is removed when the test ends.
class MappedKeys {
public:
    MappedKeys(const std::vector<std::string>& keys, const std::string& name) {
        path_ =
            (std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()))).string();
        std::string text;
        for (const std::string& key : keys) text += key + "\n";
        std::ofstream(path_, std::ios::binary) << text;
        const int fd = openForReading(path_);
        const char* bytes = mapForReading(fd, text.size());
        (void)closeFile(fd);
        if (bytes == nullptr) return;
        file = std::make_shared<const MappedFile>(bytes, text.size());
        for (std::size_t at = 0, k = 0; k < keys.size(); at += keys[k++].size() + 1) {
            views.emplace_back(bytes + at, keys[k].size());
        }
    }
    ~MappedKeys() {
        file.reset();
        views.clear();
        std::error_code error;
        std::filesystem::remove(path_, error);
    }

    std::shared_ptr<const MappedFile> file;
    std::vector<std::string_view> views;

private:
    std::string path_;
};

// Keys that lie in a mapped database or input file are stored as their places there: they are
// found while the tables grow, the keys of an input file are copied in when the next input
// file is mapped, and those of the database stay where they are; every key is found after
// the caller let go of all the files. (A key still kept in a file unmapped would read memory
// given back, and the test would crash.)
TEST(SeenSet, FindsKeysKeptInMappedFilesAfterTheFilesAreGone) {
    std::vector<std::string> all;  // distinct keys, no two images of each other
    for (const int king : {48, 40, 41, 32, 33, 34}) {
        for (int b = 0; b < 64; ++b) {
            for (int c = 0; c < 64; ++c) {
                if (b != king && c != king && c != b) all.push_back(threePieceKey(king, b, c));
            }
        }
    }
    // 14,001 keys in all: the table grows past its first 12,288 keys with most of them kept.
    constexpr std::size_t kBase = 7'000;
    constexpr std::size_t kRepeats = 500;
    const std::vector<std::string> database(all.begin(), all.begin() + kBase);
    // The first input repeats keys of the database; the second, a line longer at its start,
    // repeats the first and keys of the database.
    const std::vector<std::string> first(all.begin() + kBase - kRepeats, all.begin() + 2 * kBase);
    std::vector<std::string> second = {all.back()};
    second.insert(second.end(), first.begin(), first.end());
    second.insert(second.end(), all.begin() + 2 * kBase - kRepeats, all.begin() + 2 * kBase);
    second.insert(second.end(), all.begin(), all.begin() + kRepeats);
    for (const bool mirrors : {false, true}) {
        SCOPED_TRACE(mirrors ? "mirror test" : "no mirror test");
        SeenSet set(SeenPolicy{LookupMode::Hashed, mirrors, false});
        {
            MappedKeys base(database, "vestrel-kept-db-");
            MappedKeys one(first, "vestrel-kept-one-");
            MappedKeys two(second, "vestrel-kept-two-");
            ASSERT_TRUE(base.file && one.file && two.file);
            set.keepKeysIn(base.file, KeptFile::Database);
            for (std::string_view key : base.views) set.preload(key);
            set.keepKeysIn(one.file, KeptFile::Input);
            for (std::size_t i = 0; i < one.views.size(); ++i) {
                ASSERT_EQ(set.mark(one.views[i]),
                          i < kRepeats ? SeenVerdict::Duplicate : SeenVerdict::New)
                    << i;
            }
            set.keepKeysIn(two.file, KeptFile::Input);
            for (std::size_t i = 0; i < two.views.size(); ++i) {
                ASSERT_EQ(set.mark(two.views[i]),
                          i == 0 ? SeenVerdict::New : SeenVerdict::Duplicate)
                    << i;
            }
        }
        EXPECT_EQ(set.size(), std::int64_t(2 * kBase) + 1);
        for (std::size_t i = 0; i < 2 * kBase; i += 7) {
            ASSERT_EQ(set.mark(all[i]), SeenVerdict::Duplicate) << all[i];
        }
        EXPECT_EQ(set.mark(all.back()), SeenVerdict::Duplicate);
        EXPECT_EQ(set.mark(threePieceKey(48, 0, 1, true)),
                  mirrors ? SeenVerdict::MirrorX : SeenVerdict::New);
    }
}

TEST(SeenSet, NamesTheFirstMirrorImageFound) {
    struct Case {
        std::vector<std::string_view> stored;
        std::string_view key;
        SeenVerdict verdict;
    };
    const Case cases[] = {
        {{"k7/8/8/8/8/8/8/1Q5K b - - bm #"},
         "7k/8/8/8/8/8/8/K5Q1 b - - bm #",
         SeenVerdict::MirrorX},
        {{"k7/8/8/8/8/8/8/1Q5K b - - bm #"},
         "1Q5K/8/8/8/8/8/8/k7 b - - bm #",
         SeenVerdict::MirrorY},
        {{"k7/8/8/8/8/8/8/1Q5K b - - bm #"},
         "K5Q1/8/8/8/8/8/8/7k b - - bm #",
         SeenVerdict::MirrorXY},
        {{"k7/8/8/8/8/8/8/1Q5K b - - bm #"}, "k7/8/8/8/8/8/8/1Q5K w - - bm #", SeenVerdict::New},
        {{"k7/8/8/8/8/8/8/1Q5K b - - bm #"}, "7k/8/8/8/8/8/8/K5Q1 b - - bm h#", SeenVerdict::New},
        // "x" is looked up first even when the other images are stored too.
        {{"3k4/3p4/8/8/8/8/8/3K4 b - - bm #", "4k3/4p3/8/8/8/8/8/4K3 b - - bm #",
          "3k4/8/8/8/8/8/3P4/3K4 w - - bm #"},
         "4k3/8/8/8/8/8/4P3/4K3 w - - bm #",
         SeenVerdict::MirrorX},
        {{"3k4/3p4/8/8/8/8/8/3K4 b - - bm #", "4k3/4p3/8/8/8/8/8/4K3 b - - bm #"},
         "4k3/8/8/8/8/8/4P3/4K3 w - - bm #",
         SeenVerdict::MirrorY},
        {{"3k4/3p4/8/8/8/8/8/3K4 b - - bm #"},
         "4k3/8/8/8/8/8/4P3/4K3 w - - bm #",
         SeenVerdict::MirrorXY},
        // With pawns the plain top-bottom mirror keeps the colours and is not an image.
        {{"4K3/4P3/8/8/8/8/8/4k3 w - - bm #"},
         "4k3/8/8/8/8/8/4P3/4K3 w - - bm #",
         SeenVerdict::New},
        // The diagonal reflection, then its images; pawns are never reflected.
        {{"4k3/8/8/8/8/8/8/4K3 b - - bm #"}, "8/8/8/K6k/8/8/8/8 b - - bm #", SeenVerdict::MirrorD},
        {{"1k6/8/8/8/8/8/8/6QK w - - bm #"},
         "8/7k/8/8/8/8/Q7/K7 w - - bm #",
         SeenVerdict::MirrorDX},
        {{"4k3/8/8/8/8/8/4P3/4K3 w - - bm #"}, "8/8/8/K5Pk/8/8/8/8 w - - bm #", SeenVerdict::New},
        // Castling rights or an e.p. square keep the mirror test away.
        {{"4k3/8/8/8/8/8/8/R3K3 w - - bm #"}, "3k4/8/8/8/8/8/8/3K3R w Q - bm #", SeenVerdict::New},
        // A symmetric key is its own image, which mirrors nothing seen before; an image of it
        // that is another stored key still is.
        {{}, "k7/8/8/8/8/8/8/7K w - - bm #", SeenVerdict::New},
        {{}, "7k/8/8/8/8/8/8/K7 w - - bm #", SeenVerdict::New},
        {{}, "3kk3/8/8/8/8/8/8/3KK3 w - - bm #", SeenVerdict::New},
        {{}, "8/8/2k5/8/4K3/8/8/7R w - - bm #", SeenVerdict::New},
        {{"K7/8/8/8/8/8/8/7k w - - bm #"}, "k7/8/8/8/8/8/8/7K w - - bm #", SeenVerdict::MirrorXY},
    };
    for (const SeenPolicy& policy : {kFast, kCounted, kPrefix}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.key);
            SeenPolicy mirrors = policy;
            mirrors.mirrorTest = true;
            SeenSet set(mirrors);
            for (std::string_view key : c.stored) set.preload(key);
            EXPECT_EQ(set.mark(c.key), c.verdict);
            EXPECT_EQ(set.size(), int(c.stored.size()) + 1);  // the key, never its images
        }
    }
}

}  // namespace
}  // namespace vestrel
