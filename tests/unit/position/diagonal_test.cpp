#include "position/diagonal.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

TEST(ExpandPlacement, WritesOneCharacterPerSquare) {
    struct Case {
        std::string_view placement, expanded;
    };
    const Case cases[] = {
        {"8", "11111111"},
        {"4k3/8 ", "1111k111/11111111 "},
        {"1Q5K", "1Q11111K"},
        {"k2K", "k11K"},
        {"6QK", "111111QK"},
        {"0/9", "0/9"},  // only 2 to 8 stand for runs
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placement);
        EXPECT_EQ(expandPlacement(c.placement), c.expanded);
    }
}

TEST(CompressPlacement, WritesRunsLongestFirst) {
    struct Case {
        std::string_view expanded, compressed;
    };
    const Case cases[] = {
        {"11111111", "8"},
        {"1111k111/11111111 ", "4k3/8 "},
        {"1", "1"},
        {"k1K", "k1K"},
        {"11k11111", "2k5"},
        {"111111111", "81"},  // a run longer than a rank
        {"1111111111111111111", "883"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expanded);
        EXPECT_EQ(compressPlacement(c.expanded), c.compressed);
    }
}

TEST(ReflectDiagonal, ReflectsInTheLongDiagonal) {
    struct Case {
        std::string_view key, reflected;
    };
    const Case cases[] = {
        {"k7/8/8/8/8/8/8/7K w - - bm #", "K7/8/8/8/8/8/8/7k w - - bm #"},
        {"4k3/8/8/8/8/8/8/4K3 b - - bm #", "8/8/8/K6k/8/8/8/8 b - - bm #"},
        {"1k6/8/8/8/8/8/8/6QK w - -", "K7/Q7/8/8/8/8/7k/8 w - -"},
        {"7k/8/8/8/8/8/8/K7 w - - bm #", "7k/8/8/8/8/8/8/K7 w - - bm #"},  // symmetric
        {"1q6/8/8/8/8/8/8/K6k b - - bm s#", "k7/8/8/8/8/8/7q/K7 b - - bm s#"},
        {"r3k3/8/8/8/8/8/8/4K3 w q e3 bm #", "8/8/8/K6k/8/8/8/7r w - - bm #"},
        {"r3k3/8/8/8/8/8/8/4K3 w Kq e3", "8/8/8/K6k/8/8/8/7r w - -"},
        {"8/8/8/8/8/8/8/8 w", "8/8/8/8/8/8/8/8 w- -"},  // missing fields stay missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const std::optional<std::string> reflected = reflectDiagonal(c.key);
        ASSERT_TRUE(reflected.has_value());
        EXPECT_EQ(*reflected, c.reflected);
    }
}

TEST(ReflectDiagonal, TwiceGivesBackTheCompressedPlacement) {
    struct Case {
        std::string_view key, twice;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 b - - bm #", "4k3/8/8/8/8/8/8/4K3 b - - bm #"},
        {"1k6/8/8/2B5/8/8/8/6QK w - -", "1k6/8/8/2B5/8/8/8/6QK w - -"},
        {"11k5/8/8/8/8/8/8/1111K111 w - - bm #", "2k5/8/8/8/8/8/8/4K3 w - - bm #"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const std::optional<std::string> once = reflectDiagonal(c.key);
        ASSERT_TRUE(once.has_value());
        const std::optional<std::string> twice = reflectDiagonal(*once);
        ASSERT_TRUE(twice.has_value());
        EXPECT_EQ(*twice, c.twice);
    }
}

TEST(ReflectDiagonal, GivesNothingForOtherShapes) {
    const std::string_view keys[] = {
        "",
        " w - - bm #",
        "k7/8/8/8/8/8/8/7K",               // no space after the placement
        "k7/8/8/8/8/8/7K w - - bm #",      // seven ranks
        "k7/8/8/8/8/8/8/8/7K w - - bm #",  // nine ranks
        "k7/8/8/8/8/8/8/7K/ w - - bm #",   // trailing "/"
        "k7/8/8/8/8/8/8/6K w - - bm #",    // short last rank
        "k7/8/8/8/8/8/8/8K w - - bm #",    // long last rank
        "k6/18/8/8/8/8/8/7K w - - bm #",   // 72 characters, "/" in the wrong place
        "k6//8/8/8/8/8/8/7K w - - bm #",   // "/" standing in for a square
        "k7/8/8/8/8/8/8/7K8 w - - bm #",   // expands past the grid
        "k7/8/8/8/8/8/8/7K\t w - - bm #",  // a ninth square in the last rank
        "k7/8/8/8/8/8/8/71K w - - bm #",
    };
    for (std::string_view key : keys) {
        SCOPED_TRACE(key);
        const std::string copy(key);  // exact size, so an overread is caught
        EXPECT_FALSE(reflectDiagonal(copy).has_value());
    }
}

}  // namespace
}  // namespace vestrel
