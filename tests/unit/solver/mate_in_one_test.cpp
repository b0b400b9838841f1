#include "solver/mate_in_one.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "../position/random_games.h"
#include "position/move_text.h"
#include "solver/move_tests.h"

namespace vestrel {
namespace {

// The mating moves found by playing every legal move.
std::vector<Move> matesByPlaying(const Position& p) {
    std::vector<Move> mates;
    MoveList list;
    generateLegalMoves(p, list);
    for (Move m : list) {
        const Position q = afterMove(p, m);
        if (!inCheck(q)) continue;
        MoveList replies;
        generateLegalMoves(q, replies);
        if (replies.size == 0) mates.push_back(m);
    }
    return mates;
}

std::vector<Move> sorted(std::vector<Move> moves) {
    std::sort(moves.begin(), moves.end(), [](Move a, Move b) { return a.bits < b.bits; });
    return moves;
}

// The mate test skips most checks without playing them, by what the king's free squares and
// the lines through the moved piece allow: it must still find every mate and only mates, in
// the positions of random games (castling, en passant, promotion, pins and discovered checks
// among them).
TEST(FindMates, FindsTheMatesThatPlayingEveryMoveFinds) {
    int positions = 0;
    int withMates = 0;
    playRandomGames(20240611, 400, 160, [&](const Position& p) {
        ++positions;
        const std::vector<Move> expected = matesByPlaying(p);
        MoveList found;
        std::uint64_t nodes = 0;
        findMates(p, found, false, nodes);
        const std::vector<Move> all(found.begin(), found.end());
        ASSERT_EQ(sorted(all), sorted(expected)) << positionToFields(p);
        MoveList first;
        EXPECT_EQ(findMates(p, first, true, nodes), expected.empty() ? 0 : 1);
        if (!expected.empty()) ++withMates;
    });
    EXPECT_GT(positions, 20000);
    EXPECT_GT(withMates, 100);
}

// The mates the quick tests could overlook: castling on either wing (for either side: the
// castling test reads each side's back rank), en passant uncovering a line, a pawn's capture
// uncovering a rook, an underpromotion, the king uncovering a check, a pawn's double step
// (the pawns asked are those that can reach a check square, for either side); a knight too
// far from the king to check it and a bishop on the other colour than the king's square, each
// uncovering a rook (the pieces that cannot check are left out unless they uncover a line;
// the random games hold only two or four such mates).
TEST(FindMates, FindsTheMatesOfSpecialMoves) {
    struct Case {
        std::string_view fields, mates;
    };
    const Case cases[] = {
        {"2rkr3/2p1p3/8/8/8/8/8/R3K3 w Q -", "Rd1# O-O-O#"},
        {"4rkr1/4p1p1/8/8/8/8/8/4K2R w K -", "O-O# Rf1#"},
        {"r3k3/8/8/8/8/8/2P1P3/2RKR3 b q -", "Rd8# O-O-O#"},
        {"4k2r/8/8/8/8/8/4P1P1/4RKR1 b k -", "O-O# Rf8#"},
        {"6bk/7p/8/3pP3/8/8/8/B3K3 w - d6", "exd6#"},
        {"3rkr2/3p1p2/3n4/4P3/8/8/8/4R1K1 w - -", "exd6#"},
        {"4k3/B1p2rP1/Rn5n/Pp1p1P2/3P2B1/7p/5p1P/7K b - -", "f1=Q# f1=R#"},
        {"rk1K1B2/7r/P3b1pp/1p1pP2P/2n5/6P1/4N3/8 b - -", "Ka7#"},
        {"2b3nr/1ppn4/r3Qpp1/2k4p/P4P2/2P3PP/3P4/3K2R1 w - -", "d4#"},
        {"r3k2B/p3p1bp/1pp3b1/3p1n1B/1P3K2/R1N5/2PP1Pq1/2Q3NR b q -", "e5#"},
        {"3rkr2/3p1p2/8/8/8/4N3/8/K3R3 w - -", "Nf5# Nd5# Ng4# Nc4# Ng2# Nc2# Nf1# Nd1#"},
        {"3rkr2/3p1p2/8/8/8/4B3/8/K3R3 w - -",
         "Ba7# Bh6# Bb6# Bg5# Bc5# Bf4# Bd4# Bf2# Bd2# Bg1# Bc1#"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const Position p = *positionFromFields(c.fields);
        MoveList found;
        std::uint64_t nodes = 0;
        findMates(p, found, false, nodes);
        std::vector<Move> all(found.begin(), found.end());
        std::sort(all.begin(), all.end(), listsBefore);
        std::string text;
        for (Move m : all) text += (text.empty() ? "" : " ") + moveToSan(p, m);
        EXPECT_EQ(text, c.mates);
    }
}

}  // namespace
}  // namespace vestrel
