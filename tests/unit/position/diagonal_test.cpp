#include "position/diagonal.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

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
        std::string reflected = "left over";
        ASSERT_TRUE(reflectDiagonal(c.key, reflected));
        EXPECT_EQ(reflected, c.reflected);
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
        std::string once;
        std::string twice;
        ASSERT_TRUE(reflectDiagonal(c.key, once));
        ASSERT_TRUE(reflectDiagonal(once, twice));
        EXPECT_EQ(twice, c.twice);
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
        std::string out;
        EXPECT_FALSE(reflectDiagonal(copy, out));
    }
}

}  // namespace
}  // namespace vestrel
