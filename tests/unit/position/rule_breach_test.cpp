#include "position/rule_breach.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

// The squares of a mask by name, "e1 h1", in board order from a8.
std::string squareNames(std::uint64_t squares) {
    std::string names;
    for (int square = 0; square < 64; ++square) {
        if ((squares >> square & 1) == 0) continue;
        if (!names.empty()) names.push_back(' ');
        names.push_back(char('a' + square % 8));
        names.push_back(char('8' - square / 8));
    }
    return names;
}

TEST(ExplainPosition, NamesTheRuleTheSideAndTheSquaresAtFault) {
    using enum Breach;
    struct Case {
        std::string_view position;
        Breach breach;
        int side, count;
        std::string_view squares;
    };
    const Case cases[] = {
        {"k7/8/8/8/8/8/8/1Q5K w - -", None, 0, 0, ""},
        {"k7/8/8/8/8/8/8/1Q5K w - - bm #2;", None, 0, 0, ""},
        {"k7/8/8/8/8/8/1Q5K w - -", NotABoard, 0, 0, ""},
        {"k7/8/8/8/8/8/8/1Q5K", NotABoard, 0, 0, ""},
        {"kk6/8/8/8/8/8/8/1Q5K w - -", KingCount, -1, 2, "a8 b8"},
        {"8/8/8/8/8/8/8/1Q5K w - -", KingCount, -1, 0, ""},
        {"k7/8/8/8/8/8/8/KQ5K w - -", KingCount, 1, 2, "a1 h1"},
        {"k7/pppppppp/pp6/8/8/8/8/7K w - -", PawnTotal, -1, 10, "a7 b7 c7 d7 e7 f7 g7 h7 a6 b6"},
        {"k7/8/8/8/8/8/PPPPPPPP/QQ5K w - -", PromotedPieces, 1, 9, "a2 b2 c2 d2 e2 f2 g2 h2 a1 b1"},
        {"k7/8/8/8/8/8/PPPPPPP1/QQ5K w - -", None, 0, 0, ""},
        {"kP6/8/8/8/8/8/8/p6K w - -", PawnOnEdge, 0, 0, "b8 a1"},
        {"k7/8/8/8/8/8/8/1Q5K x - -", SideToMove, 0, 0, ""},
        {"k7/8/8/8/8/8/8/1Q5K w KQkqK -", CastlingField, 0, 0, ""},
        {"k7/8/8/8/8/8/8/1Q5K w -", CastlingField, 0, 0, ""},
        {"k7/8/8/8/8/8/8/1Q5K w - ", EnPassantSquare, 0, 0, ""},
        {"k7/8/8/8/8/8/8/4K2R w KX -", CastlingLetter, 0, 0, ""},
        {"4k3/1N6/8/8/8/8/8/R3K2R w KQkq -", CastlingPieces, -1, 0, "h8"},
        {"r3k3/8/8/8/8/8/8/R6K w Qq -", CastlingPieces, 1, 0, "e1"},
        {"4k3/8/8/8/8/8/8/4K3 w - e5", EnPassantSquare, 0, 0, ""},
        {"4k3/8/8/4p3/8/8/8/4K3 b - e6", EnPassantBoard, 0, 0, "e6"},
        {"4k3/4p3/8/4p3/8/8/8/4K3 w - e6", EnPassantBoard, 0, 0, "e7"},
        {"4k3/8/8/8/8/8/8/4K3 w - d6", EnPassantBoard, 0, 0, "d5"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", None, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        const std::string copy(c.position);
        const RuleBreach breach = explainPosition(copy);
        EXPECT_EQ(breach.rule, validatePosition(copy));  // never at odds with the test itself
        EXPECT_EQ(breach.breach, c.breach);
        EXPECT_EQ(breach.side, c.side);
        EXPECT_EQ(breach.count, c.count);
        EXPECT_EQ(squareNames(breach.squares), c.squares);
    }
}

}  // namespace
}  // namespace vestrel
