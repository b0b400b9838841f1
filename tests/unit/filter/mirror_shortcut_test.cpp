// The mirror tests skip building images for keys whose symmetry signature no stored key
// shares. These tests run random collections, rich in mirror images and symmetric positions,
// through the marking step with and without that shortcut and demand identical results.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "filter/marking.h"
#include "position/diagonal.h"
#include "position/mirror.h"

namespace vestrel {
namespace {

struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
};

std::string compress(const std::array<char, 64>& grid) {
    std::string out;
    for (std::size_t r = 0; r < 8; ++r) {
        if (r > 0) out.push_back('/');
        int run = 0;
        for (std::size_t c = 0; c < 8; ++c) {
            const char cell = grid[r * 8 + c];
            if (cell == '.') {
                ++run;
                continue;
            }
            if (run > 0) out.push_back(char('0' + run));
            run = 0;
            out.push_back(cell);
        }
        if (run > 0) out.push_back(char('0' + run));
    }
    return out;
}

// A random placement; some are made symmetric under one of the board's symmetries, and a few
// are written with split digit runs ("44" for "8") the way careless collections do.
std::string randomPlacement(Random& rng, bool pawns) {
    std::array<char, 64> grid;
    grid.fill('.');
    const std::string_view pieces = pawns ? "KkQqRrBbNnPp" : "KkQqRrBbNn";
    const std::size_t count = 2 + rng.below(5);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t square = rng.below(64);
        char piece = pieces[rng.below(pieces.size())];
        if ((piece == 'P' || piece == 'p') && (square < 8 || square >= 56)) piece = 'N';
        grid[square] = piece;
    }
    switch (rng.below(6)) {  // symmetrise: copy one half onto the other
        case 0:
            for (std::size_t r = 0; r < 8; ++r)
                for (std::size_t c = 0; c < 4; ++c) grid[r * 8 + 7 - c] = grid[r * 8 + c];
            break;
        case 1:
            for (std::size_t r = 0; r < 8; ++r)
                for (std::size_t c = 0; c < 8; ++c)
                    if (r + c < 7) grid[(7 - c) * 8 + (7 - r)] = grid[r * 8 + c];
            break;
        case 2:
            for (std::size_t r = 0; r < 8; ++r)
                for (std::size_t c = 0; c < r; ++c) grid[c * 8 + r] = grid[r * 8 + c];
            break;
        default:
            break;
    }
    std::string placement = compress(grid);
    if (rng.below(10) == 0) {
        const std::size_t eight = placement.find('8');
        if (eight != std::string::npos) placement.replace(eight, 1, "44");
    }
    return placement;
}

std::string fieldsOf(std::string_view key) { return std::string(key.substr(0, key.find(" bm"))); }

// Position fields of a record: new, or an image of an earlier one.
std::string nextFields(Random& rng, const std::vector<std::string>& earlier) {
    if (!earlier.empty() && rng.below(3) == 0) {
        const std::string key = earlier[rng.below(earlier.size())] + " bm #";
        std::string image;
        switch (rng.below(5)) {
            case 0:
                mirrorImage(key, MirrorKind::X, image);
                break;
            case 1:
                mirrorImage(key, MirrorKind::Y, image);
                break;
            case 2:
                mirrorImage(key, MirrorKind::XY, image);
                break;
            default:
                if (auto d = reflectDiagonal(key)) {
                    image = *d;
                    if (rng.below(2) == 0) mirrorImage(std::string(*d), MirrorKind::X, image);
                } else {
                    image = key;
                }
        }
        return fieldsOf(image);
    }
    const bool pawns = rng.below(2) == 0;
    std::string fields = randomPlacement(rng, pawns) + (rng.below(2) == 0 ? " w" : " b");
    switch (rng.below(8)) {
        case 0:
            fields += " K -";
            break;
        case 1:
            fields += " - e3";
            break;
        default:
            fields += " - -";
    }
    return fields;
}

struct Outcome {
    MarkVerdict verdict;
    std::string mirrorKind;
    bool operator==(const Outcome&) const = default;
};

TEST(MirrorShortcut, MarksExactlyLikeTheFullSearch) {
    std::set<std::string> kindsSeen;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        Random rng{seed};
        RunSettings settings;
        settings.mirrorTest = true;
        RunState quick;
        RunState full;
        initSeenSet(quick.seen, LookupMode::Hashed);
        initSeenSet(full.seen, LookupMode::Hashed);
        enableSignatures(quick.seen);
        std::vector<std::string> earlier;
        for (int i = 0; i < 300; ++i) {
            SplitRecord record;
            record.positionFields = nextFields(rng, earlier);
            record.opcodeText = rng.below(4) == 0 ? "bm h#2;" : "bm #2;";
            earlier.push_back(record.positionFields);
            const Outcome a{markRecord(record, settings, quick), quick.mirrorKind};
            const Outcome b{markRecord(record, settings, full), full.mirrorKind};
            ASSERT_EQ(a, b) << "seed " << seed << " record " << i << ": " << record.positionFields;
            if (b.verdict == MarkVerdict::Marked) kindsSeen.insert("mirror " + b.mirrorKind);
        }
        EXPECT_EQ(quick.counters.duplicates, full.counters.duplicates);
        EXPECT_GT(full.counters.duplicates, 0);
    }
    // Every kind of tag, found both on earlier records and on the record itself.
    EXPECT_EQ(kindsSeen, (std::set<std::string>{"mirror ", "mirror x", "mirror xy", "mirror y"}));
}

TEST(SymmetrySignature, IsSharedByEveryImage) {
    Random rng{99};
    for (int i = 0; i < 2000; ++i) {
        const bool pawns = rng.below(2) == 0;
        const std::string key = randomPlacement(rng, pawns) + " w - - bm #";
        ASSERT_TRUE(imagesShareSignature(key));
        const std::uint32_t signature = symmetrySignature(key);
        std::string image;
        for (MirrorKind kind : {MirrorKind::X, MirrorKind::Y, MirrorKind::XY}) {
            mirrorImage(key, kind, image);
            EXPECT_EQ(symmetrySignature(image), signature) << key << " -> " << image;
        }
        if (auto d = reflectDiagonal(key); d && !pawns) {
            EXPECT_EQ(symmetrySignature(*d), signature) << key << " -> " << *d;
        }
    }
}

TEST(SelfImage, FindsTheFirstImageThatIsTheKey) {
    struct Case {
        std::string_view key;
        bool found, diagonal;
        std::string_view kind;
    };
    const Case cases[] = {
        {"7k/8/8/8/8/8/8/K7 w - - bm #", true, true, ""},
        {"k7/8/8/8/8/8/8/7K w - - bm #", true, true, "xy"},
        {"3kk3/8/8/8/8/8/8/3KK3 w - - bm #", true, false, "x"},
        {"3k4/8/8/8/8/8/8/3k4 w - - bm #", true, false, "y"},
        {"3k4/8/8/8/8/8/8/4k3 w - - bm #", true, false, "xy"},
        {"3k4/8/8/8/8/8/8/4k3 w - - bm #", true, false, "xy"},
        {"3k4/8/8/8/8/8/3p4/4k3 w - - bm #", false, false, ""},
        {"7k/8/8/8/8/8/8/K43 w - - bm #", false, false, ""},  // not in compressed form
        {"1k6/8/8/8/8/8/8/6QK w - - bm #", false, false, ""},
    };
    for (const Case& c : cases) {
        const SelfImage self = selfImage(c.key);
        EXPECT_EQ(self.found, c.found) << c.key;
        EXPECT_EQ(self.diagonal, c.diagonal) << c.key;
        EXPECT_EQ(self.kind, c.kind) << c.key;
    }
}

}  // namespace
}  // namespace vestrel
