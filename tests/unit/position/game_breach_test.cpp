#include "position/game_breach.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel {
namespace {

Bitboard squaresNamed(std::initializer_list<std::string_view> names) {
    Bitboard squares = 0;
    for (std::string_view name : names) squares |= squareBit(*squareFromName(name));
    return squares;
}

// Each rule of the full test with the side at fault and the men a reader should see.
TEST(ExplainGameRules, NamesTheSideAndTheSquaresOfEachRule) {
    struct Case {
        std::string_view fields;
        GameRule rule;
        Color side;
        std::string_view king;  // empty: no king in check
        std::initializer_list<std::string_view> checkers;
        std::initializer_list<std::string_view> squares;
        int count;
    };
    constexpr Color kW = Color::White;
    constexpr Color kB = Color::Black;
    const Case cases[] = {
        {"4k3/8/8/8/4R1K1/8/8/8 b - -", GameRule::Legal, kW, "", {}, {}, 0},
        // The king of the side not to move; a king that touches the other king gives check.
        {"4k3/8/8/8/8/8/8/4R1K1 w - -", GameRule::OppositeCheck, kB, "e8", {"e1"}, {"e8", "e1"}, 0},
        {"8/8/8/8/8/8/3k4/4K3 b - -", GameRule::OppositeCheck, kW, "e1", {"d2"}, {"e1", "d2"}, 0},
        {"4k3/8/3N4/8/B7/8/8/4R1K1 b - -",
         GameRule::TripleCheck,
         kB,
         "e8",
         {"d6", "a4", "e1"},
         {"e8", "d6", "a4", "e1"},
         0},
        {"4k3/8/3N1N2/8/8/8/8/6K1 b - -",
         GameRule::ImpossibleDoubleCheck,
         kB,
         "e8",
         {"d6", "f6"},
         {"e8", "d6", "f6"},
         0},
        {"4k3/8/8/8/8/8/1p6/K6r w - -",
         GameRule::ImpossibleDoubleCheck,
         kW,
         "a1",
         {"b2", "h1"},
         {"a1", "b2", "h1"},
         0},
        // The pawn, the square it passed, the square it came from, and who gave check before.
        {"k7/8/8/8/4P3/8/8/R3K3 b - e3",
         GameRule::ImpossibleEnPassant,
         kB,
         "a8",
         {"a1"},
         {"a8", "a1", "e4", "e3", "e2"},
         0},
        {"4k3/8/8/3pP3/8/8/8/4K2q w - d6",
         GameRule::ImpossibleEnPassant,
         kW,
         "e1",
         {"h1"},
         {"e1", "h1", "d5", "d6", "d7"},
         0},
        // The pawn itself gave check from the square it came from.
        {"4k3/8/4K3/3p4/8/8/8/8 w - d6",
         GameRule::ImpossibleEnPassant,
         kW,
         "e6",
         {"d7"},
         {"e6", "d5", "d6", "d7"},
         0},
        // Pawns and the pieces beyond the initial set: bishops by the colour of their squares.
        {"4k3/8/8/8/8/7B/PPPPPPPP/4KB2 w - -",
         GameRule::BishopColours,
         kW,
         "",
         {},
         {"h3", "f1", "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2"},
         9},
        {"2b1k3/ppp1pppp/8/8/8/3b4/8/4K2b w - -",
         GameRule::BishopColours,
         kB,
         "",
         {},
         {"c8", "d3", "h1", "a7", "b7", "c7", "e7", "f7", "g7", "h7"},
         9},
        // The side whose pawns need the captures, and the men the other side has lost.
        {"rnbqkbnr/pppppppp/8/8/8/P7/P1PPPPPP/RNBQKBNR w KQkq -",
         GameRule::PawnCaptures,
         kW,
         "",
         {},
         {"a3", "a2", "c2", "d2", "e2", "f2", "g2", "h2"},
         0},
        {"rnbqkbnr/p1pppppp/p7/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
         GameRule::PawnCaptures,
         kB,
         "",
         {},
         {"a6", "a7", "c7", "d7", "e7", "f7", "g7", "h7"},
         0},
        {"4k3/pp6/p7/8/8/8/8/4K3 w - -",
         GameRule::PawnCaptures,
         kB,
         "",
         {},
         {"a6", "a7", "b7"},
         15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const std::optional<Position> position = positionFromFields(c.fields);
        ASSERT_TRUE(position);
        const GameBreach breach = explainGameRules(*position);
        EXPECT_EQ(breach.rule, c.rule);
        EXPECT_EQ(breach.rule, checkGameRules(*position));
        EXPECT_EQ(breach.squares, squaresNamed(c.squares));
        if (c.rule == GameRule::Legal) continue;
        EXPECT_EQ(breach.side, c.side);
        EXPECT_EQ(breach.king, c.king.empty() ? kNoSquare : *squareFromName(c.king));
        EXPECT_EQ(breach.checkers, squaresNamed(c.checkers));
        EXPECT_EQ(breach.count, c.count);
    }
}

TEST(PlacementSquares, TurnsTheRanksOver) {
    EXPECT_EQ(placementSquares(squareBit(kA8)), 1u);
    EXPECT_EQ(placementSquares(squareBit(kH8)), 1u << 7);
    EXPECT_EQ(placementSquares(squareBit(kA1)), std::uint64_t{1} << 56);
    EXPECT_EQ(placementSquares(squareBit(kH1) | squareBit(kE4)),
              (std::uint64_t{1} << 63) | (std::uint64_t{1} << 36));
}

}  // namespace
}  // namespace vestrel
