// The mirror tests file a key whose images share its symmetry signature under that signature,
// and skip building the images of a key whose class holds no stored key. These tests run
// random collections, rich in mirror images and symmetric positions, through the fast table
// with that shortcut (growing past its first size, so rebuilding itself by class) and through
// the counted buckets of /hc, which always search every image, and demand identical verdicts.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "filter/seen_set.h"
#include "position/diagonal.h"
#include "position/mirror.h"
#include "position/symmetry.h"

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

// Now and then spoils a placement so that it is no board of 8 x 8 squares, which only the
// full search handles.
void maybeSpoil(Random& rng, std::string& placement) {
    switch (rng.below(24)) {
        case 0:
            placement += 'Q';  // a ninth square on the last rank
            break;
        case 1: {
            const std::size_t piece = placement.find_first_of("NBRQnbrq");
            if (piece != std::string::npos) placement[piece] = 'X';  // no piece letter
            break;
        }
        case 2:  // a last rank of more than 255 squares
            placement.insert(placement.rfind('/') + 2, std::string(40, '8'));
            break;
        default:
            break;
    }
}

std::string fieldsOf(std::string_view key) { return std::string(key.substr(0, key.find(" bm"))); }

// Position fields of a record: new, or an image of an earlier one.
std::string nextFields(Random& rng, const std::vector<std::string>& earlier) {
    if (!earlier.empty() && rng.below(3) == 0) {
        const std::string key = earlier[rng.below(earlier.size())] + " bm #";
        MirrorImages images;
        const std::size_t pick = rng.below(5);
        if (pick < 3) {
            mirrorImages(key, images);
            return fieldsOf(images[pick]);
        }
        std::string reflected;
        if (!reflectDiagonal(key, reflected)) return fieldsOf(key);
        if (rng.below(2) == 0) return fieldsOf(reflected);
        mirrorImages(reflected, images);
        return fieldsOf(images[rng.below(3)]);
    }
    const bool pawns = rng.below(2) == 0;
    std::string placement = randomPlacement(rng, pawns);
    maybeSpoil(rng, placement);
    std::string fields = placement + (rng.below(2) == 0 ? " w" : " b");
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

TEST(MirrorShortcut, MarksExactlyLikeTheFullSearch) {
    std::set<SeenVerdict> verdictsSeen;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        Random rng{seed};
        SeenSet quick(SeenPolicy{LookupMode::Hashed, true, false});
        SeenSet full(SeenPolicy{LookupMode::Hashed, true, true});
        std::vector<std::string> earlier;
        int marked = 0;
        for (int i = 0; i < 1000; ++i) {
            const std::string fields = nextFields(rng, earlier);
            const std::string key = fields + (rng.below(4) == 0 ? " bm h#" : " bm #");
            earlier.push_back(fields);
            const SeenVerdict a = quick.mark(key);
            const SeenVerdict b = full.mark(key);
            ASSERT_EQ(a, b) << "seed " << seed << " record " << i << ": " << key;
            verdictsSeen.insert(b);
            marked += b != SeenVerdict::New;
        }
        EXPECT_GT(marked, 0);
    }
    // Every kind of verdict, found both on earlier records and on the record itself.
    EXPECT_EQ(verdictsSeen.size(), 9u);
}

TEST(SymmetrySignature, IsSharedByEveryImage) {
    Random rng{99};
    for (int i = 0; i < 2000; ++i) {
        const bool pawns = rng.below(2) == 0;
        const std::string key = randomPlacement(rng, pawns) + " w - - bm #";
        const KeySymmetry symmetry = analyseSymmetry(key);
        ASSERT_TRUE(symmetry.imagesShareSignature);
        MirrorImages images;
        mirrorImages(key, images);
        for (const std::string& image : images) {
            EXPECT_EQ(analyseSymmetry(image).signature, symmetry.signature)
                << key << " -> " << image;
        }
        std::string d;
        if (!pawns && reflectDiagonal(key, d)) {
            EXPECT_EQ(analyseSymmetry(d).signature, symmetry.signature) << key << " -> " << d;
        }
    }
}

// A rank of a hundred pieces is more than the analysis keeps: it reads only what it kept, and
// the key never shares its signature with an image.
TEST(AnalyseSymmetry, KeepsWithinItsPiecesOnAnOverfullPlacement) {
    const std::string key = "k7/8/1" + std::string(100, 'k') + "/8/8/8/8/7Q w - - bm #";
    const KeySymmetry symmetry = analyseSymmetry(key);
    EXPECT_FALSE(symmetry.imagesShareSignature);
    EXPECT_EQ(analyseSymmetry(key).signature, symmetry.signature);
}

}  // namespace
}  // namespace vestrel
