#include <gtest/gtest.h>

#include "../position/random_games.h"
#include "solver/move_tests.h"

namespace vestrel {
namespace {

// The solver tests the killers' moves for legality without a move list, the king's steps by
// a shorter way than the other pieces' moves: every move from a square of the side to move,
// to any square and as any promotion, must be legal exactly when the move list holds it (in
// the positions of random games, checks, pins and promotions among them; castling and en
// passant are left to the list).
TEST(IsLegalMove, AgreesWithTheMoveList) {
    int legal = 0;
    playRandomGames(0x6c6567616cULL, 40, 120, [&](const Position& p) {
        MoveList list;
        generateLegalMoves(p, list);
        for (Bitboard own = p.pieces(p.sideToMove); own != 0;) {
            const Square from = popLowest(own);
            for (int to = 0; to < 64; ++to) {
                const Move moves[] = {
                    Move::make(from, Square(to)),
                    Move::make(from, Square(to), MoveKind::Promotion, PieceType::Queen),
                    Move::make(from, Square(to), MoveKind::Promotion, PieceType::Knight)};
                for (Move m : moves) {
                    const bool listed = list.contains(m);
                    legal += listed;
                    ASSERT_EQ(isLegalMove(p, m), listed) << positionToFields(p) << " " << int(from)
                                                         << "-" << to << " kind " << int(m.kind());
                }
            }
        }
    });
    EXPECT_GT(legal, 10000);  // the games are long enough to reach many positions
}

}  // namespace
}  // namespace vestrel
