#include "solver/node.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vestrel {
namespace {

// Walks the move tree to `depth` plies, checking at every node that the key brought up to date
// move by move is the key computed from scratch.
void expectKeysAgree(const Node& node, int depth, int& nodes) {
    ++nodes;
    ASSERT_EQ(node.key, nodeKey(node.position)) << positionToFields(node.position);
    if (depth == 0) return;
    MoveList list;
    generateLegalMoves(node.position, list);
    for (Move m : list) expectKeysAgree(playMove(node, m), depth - 1, nodes);
}

// Castling on both wings and both rights lost, en passant, promotions with and without
// capture, captures of a rook on its corner.
TEST(PlayMove, KeepsTheKeyOfEveryPosition) {
    const std::string_view positions[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
        "8/8/8/2k5/3Pp3/8/8/4K3 b - d3",
    };
    for (std::string_view fields : positions) {
        SCOPED_TRACE(fields);
        const std::optional<Position> p = positionFromFields(fields);
        ASSERT_TRUE(p.has_value());
        int nodes = 0;
        expectKeysAgree(makeNode(*p), 3, nodes);
        EXPECT_GT(nodes, 100);
    }
}

// The en-passant square counts only when a pawn stands ready to take: without one, a double
// step reaches the key of the same position without the square; with one, a position the
// pawn may take in differs from the one it may not.
TEST(NodeKey, CountsTheEnPassantSquareOnlyWhenAPawnCanTake) {
    const Node alone = playMove(makeNode(*positionFromFields("4k3/3p4/8/8/8/8/8/4K3 b - -")),
                                Move::make(kD7, kD5));
    EXPECT_EQ(alone.position.enPassant, kD6);
    EXPECT_EQ(alone.key, nodeKey(*positionFromFields("4k3/8/8/3p4/8/8/8/4K3 w - -")));
    const Node ready = playMove(makeNode(*positionFromFields("4k3/3p4/8/4P3/8/8/8/4K3 b - -")),
                                Move::make(kD7, kD5));
    EXPECT_NE(ready.key, nodeKey(*positionFromFields("4k3/8/8/3pP3/8/8/8/4K3 w - -")));
}

}  // namespace
}  // namespace vestrel
