#include "position/legality.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "position/movegen.h"
#include "random_games.h"

namespace vestrel {
namespace {

std::string_view reasonOf(std::string_view fields) {
    BoardScan scan;
    scanBoard(fields, scan);
    return illegalReason(scan, fields);
}

// Every reason with a position that breaks it and a close one that passes.
TEST(IllegalReason, NamesEachRuleAndPassesCloseCases) {
    struct Case {
        std::string_view reason;
        std::string_view failing;
        std::string_view passing;
    };
    const Case cases[] = {
        {"placement", "8/8/8/8/8/8/8/K1k4 w - -", "8/8/8/8/8/8/8/K1k5 w - -"},
        {"piece count", "k7/8/8/8/8/8/8/K1K5 w - -", "k7/8/8/8/8/8/8/K1N5 w - -"},
        {"promoted pieces", "4k3/8/8/8/8/8/PPPPPPPP/QQ2K3 w - -",
         "4k3/8/8/8/8/8/1PPPPPPP/QQ2K3 w - -"},
        {"pawn on edge rank", "4k3/8/8/8/8/8/8/P3K3 w - -", "4k3/8/8/8/8/8/P7/4K3 w - -"},
        {"side to move", "4k3/8/8/8/8/8/8/4K3 x - -", "4k3/8/8/8/8/8/8/4K3 w - -"},
        {"castling field", "r3k3/8/8/8/8/8/8/4K2R w KqKqK -", "r3k3/8/8/8/8/8/8/4K2R w Kq -"},
        {"castling rights", "4k3/8/8/8/8/8/8/4K3 w K -", "4k3/8/8/8/8/8/8/4K2R w K -"},
        {"en passant", "4k3/8/8/8/8/8/8/4K3 b - e3", "4k3/8/8/8/4P3/8/8/4K3 b - e3"},
        // The side that has just moved cannot stand in check; kings never touch.
        {"opposite check", "4k3/8/8/8/8/8/8/4R1K1 w - -", "4k3/8/8/8/8/8/8/4R1K1 b - -"},
        {"opposite check", "8/8/8/8/8/8/3k4/4K3 b - -", "8/8/8/8/8/3k4/8/4K3 b - -"},
        // Rook, bishop and knight at once; without the bishop, the knight's move from e4
        // discovers the rook.
        {"triple check", "4k3/8/3N4/8/B7/8/8/4R1K1 b - -", "4k3/8/3N4/8/8/8/8/4R1K1 b - -"},
        // Two knights, two pawns, two rooks on one rank, a bishop that cannot have uncovered
        // the rook; beside them double checks a move can give, by discovery or en passant.
        {"impossible double check", "4k3/8/3N1N2/8/8/8/8/6K1 b - -",
         "4k3/8/3N4/8/8/8/8/4R1K1 b - -"},
        {"impossible double check", "4k3/3P1P2/8/8/8/8/8/6K1 b - -",
         "4k3/3P4/8/8/8/8/8/4R1K1 b - -"},
        {"impossible double check", "R3k2R/8/8/8/8/8/8/6K1 b - -", "R3k3/8/3N4/8/8/8/8/6K1 b - -"},
        {"impossible double check", "4k3/8/8/8/B7/8/8/4R1K1 b - -",
         "4k3/8/8/1B6/8/8/8/4R1K1 b - -"},
        {"impossible double check", "4k3/8/8/8/8/8/1p6/K6r w - -", "4k3/8/8/8/8/8/1p6/K7 w - -"},
        // A pawn that took on d6 from e5 uncovers the rook, but only if black has lost a man.
        {"impossible double check", "rnbq1bnr/ppppkppp/p2P4/8/8/8/8/4R1K1 b - -",
         "rnbq1bnr/ppppkppp/3P4/8/8/8/8/4R1K1 b - -"},
        // Only e5xd6 en passant clears both the e-file and the diagonal through d5.
        {"impossible double check", "8/8/3Nk3/8/2B5/3N4/8/4R2K b - -",
         "8/8/3Pk3/8/2B5/3N4/8/4R2K b - -"},
        // The check stood before the double step; beside it, checks the double step gives.
        {"impossible en passant", "k7/8/8/8/4P3/8/8/R3K3 b - e3", "k7/8/8/8/4P3/8/8/R3K3 b - -"},
        {"impossible en passant", "k7/8/8/8/4P3/8/8/R3K3 b - e3", "8/8/8/3k4/4P3/8/8/4K3 b - e3"},
        {"impossible en passant", "k7/8/8/8/4P3/8/8/R3K3 b - e3", "8/8/8/7k/4P3/8/8/3BK3 b - e3"},
        {"impossible en passant", "4k3/8/8/3pP3/8/8/8/4K2q w - d6",
         "2q1k3/8/8/3pP3/6K1/8/8/8 w - d6"},
        // Two light-squared bishops beside eight pawns; a dark one would do.
        {"bishop colours", "4k3/8/8/8/8/7B/PPPPPPPP/4KB2 w - -",
         "4k3/8/8/8/8/6B1/PPPPPPPP/4KB2 w - -"},
        {"bishop colours", "2b1k3/ppp1pppp/8/8/8/3b4/8/4K2b w - -",
         "2b1k3/ppp1pppp/8/8/3b4/8/8/4K2b w - -"},
        // Doubled pawns need a capture each; a pawn on its second rank has never moved.
        {"pawn captures", "rnbqkbnr/pppppppp/8/8/8/P7/P1PPPPPP/RNBQKBNR w KQkq -",
         "r1bqkbnr/pppppppp/8/8/8/P7/P1PPPPPP/RNBQKBNR w KQkq -"},
        {"pawn captures", "4k3/8/8/8/8/P7/PPPPPPP1/4K3 w - -",
         "4k3/8/8/8/8/6P1/PPPPPPP1/4K3 w - -"},
        {"pawn captures", "rnbqkbnr/p1pppppp/p7/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
         "rnbqkbnr/p1pppppp/p7/8/8/8/PPPPPPPP/R1BQKBNR w KQkq -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        const std::string failing(c.failing);  // exact size, for the address sanitizer
        EXPECT_EQ(reasonOf(failing), c.reason);
        const std::string passing(c.passing);
        EXPECT_EQ(reasonOf(passing), "") << c.passing;
    }
}

// No position of a game fails any rule. Sanitized and unoptimised builds play 1,000 games
// instead of 10,000 to stay quick.
TEST(IllegalReason, PassesEveryPositionOfRandomGames) {
#ifdef NDEBUG
    constexpr int kGames = 10000;
#else
    constexpr int kGames = 1000;
#endif
    int positions = 0;
    int doubleChecks = 0;
    int enPassant = 0;
    playRandomGames(2024, kGames, 200, [&](const Position& p) {
        const std::string fields = positionToFields(p);
        ASSERT_EQ(reasonOf(fields), "") << fields;
        ++positions;
        doubleChecks += popCount(checkers(p)) == 2;
        enPassant += p.enPassant != kNoSquare;
    });
    EXPECT_GT(positions, kGames * 100);
    EXPECT_GT(doubleChecks, 0);  // the games do reach the rare cases
    EXPECT_GT(enPassant, 0);
}

}  // namespace
}  // namespace vestrel
