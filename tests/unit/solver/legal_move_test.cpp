#include <gtest/gtest.h>

#include <string_view>
#include <vector>

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

// The attacker two moves from the end generates its checks first: the list must be the move
// list with its checking moves moved to the front, each group in its order, in random games
// and where a check is easy to misjudge (promotions, castling, en passant and the king itself
// uncovering a line, a pinned piece moving along its pin).
TEST(ChecksFirst, IsTheMoveListWithItsChecksInFront) {
    const auto expectChecksFirst = [](const Position& p) {
        MoveList all;
        generateLegalMoves(p, all);
        std::vector<std::uint16_t> expected, quiet;
        for (Move m : all) {
            (inCheck(afterMove(p, m)) ? expected : quiet).push_back(m.bits);
        }
        expected.insert(expected.end(), quiet.begin(), quiet.end());
        const CheckInfo info = checkInfo(p);
        MoveList list;
        generateChecksFirst(p, list, CheckSquares{info.squares, info.discoverers, info.king});
        std::vector<std::uint16_t> listed;
        for (Move m : list) listed.push_back(m.bits);
        ASSERT_EQ(listed, expected) << positionToFields(p);
    };
    playRandomGames(0x636865636b73ULL, 40, 120, expectChecksFirst);
    const std::string_view fields[] = {
        "4k3/1P6/8/8/8/8/8/4K3 w - -",       // promotions, two of them checks
        "2k5/4P3/8/8/8/8/8/4K2R w K -",      // promotions check along the rank, castling not
        "5k2/8/8/8/8/8/8/R3K2R w KQ -",      // castling short checks, long does not
        "8/8/8/k2pP2R/8/8/8/4K3 w - d6",     // en passant uncovers the rook
        "4k3/8/8/8/8/3p4/4P3/4R1K1 w - -",   // the pawn's capture uncovers, its steps do not
        "4k3/8/8/8/8/8/4K3/4R3 w - -",       // the king's steps off the file uncover
        "4k3/8/2N5/8/B7/8/8/4K3 w - -",      // the knight uncovers the bishop
        "4k3/8/8/8/8/8/4R3/4K3 b - -",       // black in check: only answers
        "4k3/4r3/8/8/8/8/4R3/4K3 w - -",     // the pinned rook checks along its pin
        "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -",  // black castles
        "8/8/8/8/k2pP2R/8/8/4K3 b - e3",     // en passant would uncover black's king
        "8/2k5/8/8/8/8/1p6/4K3 b - -",       // black promotes
    };
    for (std::string_view f : fields) {
        SCOPED_TRACE(f);
        expectChecksFirst(*positionFromFields(f));
    }
}

}  // namespace
}  // namespace vestrel
