#include "position/legality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
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

// A random board: both kings and up to 24 other men, pawns off the edge ranks; one in four
// gets an en-passant square behind a pawn of the side that moved, with the squares behind it
// empty, so that some pass the static test.
std::string randomFields(TestRandom& random) {
    std::array<char, 64> board{};  // a1 = 0
    const auto putOnEmpty = [&](char letter) {
        const int s = random.below(64);
        const bool pawn = letter == 'P' || letter == 'p';
        if (board[std::size_t(s)] == 0 && !(pawn && (s < 8 || s >= 56))) {
            board[std::size_t(s)] = letter;
        }
    };
    while (std::count(board.begin(), board.end(), 'K') == 0) putOnEmpty('K');
    while (std::count(board.begin(), board.end(), 'k') == 0) putOnEmpty('k');
    for (int n = random.below(25); n > 0; --n) putOnEmpty("PPPNBRQpppnbrq"[random.below(14)]);
    const bool white = random.below(2) == 0;
    std::string enPassant = "-";
    const int file = random.below(8);
    // White to move: a black pawn on the fifth rank, its sixth and seventh empty.
    const int pawn = white ? 32 + file : 24 + file;
    const int step = white ? 8 : -8;
    if (random.below(4) == 0 && board[std::size_t(pawn + step)] == 0 &&
        board[std::size_t(pawn + 2 * step)] == 0) {
        board[std::size_t(pawn)] = white ? 'p' : 'P';
        enPassant.assign(1, char('a' + file));
        enPassant.push_back(white ? '6' : '3');
    }
    std::string fields;
    for (int rank = 7; rank >= 0; --rank) {
        int run = 0;
        for (int f = 0; f < 8; ++f) {
            const char c = board[std::size_t(rank * 8 + f)];
            if (c == 0) {
                ++run;
                continue;
            }
            if (run > 0) fields.push_back(char('0' + run));
            run = 0;
            fields.push_back(c);
        }
        if (run > 0) fields.push_back(char('0' + run));
        if (rank > 0) fields.push_back('/');
    }
    return fields + (white ? " w - " : " b - ") + enPassant;
}

// The test of a scanned board gives the verdict of the full test of the position, for every
// rule, on random boards that pass the static test.
TEST(IllegalReason, AgreesWithTheRulesOfThePosition) {
    TestRandom random{7};
    std::map<std::string_view, int> reasons;
    for (int i = 0; i < 200000; ++i) {
        const std::string fields = randomFields(random);
        BoardScan scan;
        scanBoard(fields, scan);
        if (validatePosition(scan, fields) != PositionRule::Legal) continue;
        const std::string_view expected =
            ruleReason(checkGameRules(positionFromScan(scan, fields)));
        ASSERT_EQ(illegalReason(scan, fields), expected) << fields;
        ++reasons[expected];
    }
    // The boards reach every rule, and both kinds of double check.
    for (GameRule rule : {GameRule::Legal, GameRule::OppositeCheck, GameRule::TripleCheck,
                          GameRule::ImpossibleDoubleCheck, GameRule::ImpossibleEnPassant,
                          GameRule::BishopColours, GameRule::PawnCaptures}) {
        EXPECT_GT(reasons[ruleReason(rule)], 0) << ruleReason(rule);
    }
}

// The fewest captures that bring the pawns from `i` on back to distinct starting files not in
// `taken`, each pawn at most as many files off as it has advanced ranks beyond its second: every
// choice tried. 99 when there is none.
int fewestCaptures(const std::array<std::pair<int, int>, 8>& pawns, int n, int i, unsigned taken) {
    if (i == n) return 0;
    int best = 99;
    const auto [file, reach] = pawns[std::size_t(i)];
    for (int to = 0; to < 8; ++to) {
        const int off = file > to ? file - to : to - file;
        if (((taken >> to) & 1) != 0 || off > reach) continue;
        best = std::min(best, off + fewestCaptures(pawns, n, i + 1, taken | 1u << to));
    }
    return best;
}

// Random pawns of both sides, and random numbers of other men, against a search of every way
// back to the starting files.
TEST(PawnCapturesFail, MatchesASearchOfEveryWayBack) {
    TestRandom random{11};
    int fails = 0;
    for (int i = 0; i < 20000; ++i) {
        Position p;
        p.put(Piece::WhiteKing, kA1);
        p.put(Piece::BlackKing, kH8);
        for (int n = random.below(17); n > 0; --n) {
            const Square s = Square(8 + random.below(48));
            if (p.pieceOn(s) == Piece::None) {
                p.put(random.below(2) == 0 ? Piece::WhitePawn : Piece::BlackPawn, s);
            }
        }
        for (int n = random.below(16); n > 0; --n) {
            const Square s = Square(random.below(64));
            if (p.pieceOn(s) == Piece::None) {
                p.put(random.below(2) == 0 ? Piece::WhiteKnight : Piece::BlackKnight, s);
            }
        }
        for (Color c : {Color::White, Color::Black}) {
            std::array<std::pair<int, int>, 8> pawns{};
            int n = 0;
            const Bitboard own = p.pieces(c, PieceType::Pawn);
            if (popCount(own) > 8 || popCount(p.pieces(~c)) > 16) continue;  // no board's
            for (Bitboard b = own; b != 0;) {
                const Square s = popLowest(b);
                pawns[std::size_t(n++)] = {fileOf(s), relativeRank(c, rankOf(s)) - kRank2};
            }
            const int lost = 16 - popCount(p.pieces(~c));
            const bool expected = fewestCaptures(pawns, n, 0, 0) > lost;
            ASSERT_EQ(pawnCapturesFail(p, c), expected) << positionToFields(p);
            fails += expected;
        }
    }
    EXPECT_GT(fails, 100);
}

}  // namespace
}  // namespace vestrel
