#include "position/canonical.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "position/placement.h"

namespace vestrel {
namespace {

TEST(DropUnusableEnPassant, KeepsOnlySquaresAPawnCanTakeOn) {
    struct Case {
        std::string_view key, canonical;
    };
    const Case cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 bm #", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w - d6 bm #", "4k3/8/8/3p4/8/8/8/4K3 w - - bm #"},
        {"4k3/8/8/3p3P/8/8/8/4K3 w - d6", "4k3/8/8/3p3P/8/8/8/4K3 w - -"},          // too far away
        {"6bk/8/8/2pP4/8/8/K7/8 w - c6 bm #", "6bk/8/8/2pP4/8/8/K7/8 w - - bm #"},  // pinned
        {"8/8/8/K2pP2r/8/8/8/7k w - d6 bm h#", "8/8/8/K2pP2r/8/8/8/7k w - - bm h#"},  // rank
        {"r3k3/8/8/8/4Pp2/8/8/4K3 b q e3 bm #", "r3k3/8/8/8/4Pp2/8/8/4K3 b q e3 bm #"},
        {"r3k3/8/8/8/4P3/8/8/4K3 b q e3 bm #", "r3k3/8/8/8/4P3/8/8/4K3 b q - bm #"},
        // Keys the static test refuses, and keys without a square, stay as they are.
        {"4k3/8/8/8/8/8/8/4K3 w - d6 bm #", "4k3/8/8/8/8/8/8/4K3 w - d6 bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w - - bm #", "4k3/8/8/3p4/8/8/8/4K3 w - - bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w -", "4k3/8/8/3p4/8/8/8/4K3 w -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        std::string key(c.key);
        EXPECT_EQ(dropUnusableEnPassant(key), c.key != c.canonical);
        EXPECT_EQ(key, c.canonical);
    }
}

// The block and word tests must agree with hasPawn on every length and at every place of a
// pawn, a space or a byte that differs from "p" or "P" in one bit only. The bytes after the
// last whole block take the word test, so keys of every length try both.
TEST(PlacementHasPawn, AgreesWithHasPawnOfThePlacement) {
    using namespace std::string_view_literals;
    constexpr std::string_view kAlphabet = "pP p/18kKqQ\xd0\xf0\x10\x00\x80\xa0\r\tx`@0"sv;
    std::mt19937 random(20261208);
    // Pawns on both sides of the key: a byte read past its ends would be seen.
    const std::string buffer(256, 'P');
    for (int round = 0; round < 20000; ++round) {
        std::string text = buffer;
        const std::size_t offset = random() % 16;
        const std::size_t size = round % 73;
        for (std::size_t i = 0; i < size; ++i) {
            // Mostly board bytes, so that the first pawn or space can fall anywhere.
            text[offset + i] =
                random() % 4 == 0 ? kAlphabet[random() % kAlphabet.size()] : "18/kq"[random() % 5];
        }
        const std::string_view key = std::string_view(text).substr(offset, size);
        ASSERT_EQ(placementHasPawn(key), hasPawn(key.substr(0, key.find(' ')))) << round;
    }
}

}  // namespace
}  // namespace vestrel
