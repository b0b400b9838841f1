#include "position/movegen.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "position/move_text.h"
#include "position/position.h"

namespace vestrel {
namespace {

// Optimised builds run each count to its full depth; unoptimised and sanitized builds stop
// one ply earlier so that every case stays well under a second.
#ifdef NDEBUG
constexpr int kDepthCut = 0;
#else
constexpr int kDepthCut = 1;
#endif

Position at(std::string_view fields) {
    const std::optional<Position> p = positionFromFields(fields);
    EXPECT_TRUE(p.has_value()) << fields;
    return p.value_or(initialPosition());
}

// The well-known perft positions with their counts by depth (index 0 is depth 1).
TEST(Perft, MatchesTheKnownCounts) {
    struct Case {
        std::string_view fields;
        std::vector<std::uint64_t> counts;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", {20, 400, 8902, 197281, 4865609}},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
         {48, 2039, 97862, 4085603}},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238, 674624}},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", {6, 264, 9467, 422333}},
        {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", {6, 264, 9467, 422333}},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", {44, 1486, 62379, 2103487}},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
         {46, 2079, 89890, 3894594}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const Position p = at(c.fields);
        const int depth = int(c.counts.size()) - kDepthCut;
        EXPECT_EQ(perft(p, depth), c.counts[std::size_t(depth - 1)]);
    }
}

// Small positions around en passant, castling and promotion, each counted to a few plies
// (counts from independent generators).
TEST(Perft, HandlesTheTrickyRules) {
    struct Case {
        std::string_view fields;
        int depth;
        std::uint64_t nodes;
    };
    const Case cases[] = {
        // En passant that would expose the king, or that gives check.
        {"3k4/3p4/8/K1P4r/8/8/8/8 b - -", 6, 1134888},
        {"8/8/4k3/8/2p5/8/B2P2K1/8 w - -", 6, 1015133},
        {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3", 6, 1440467},
        // Castling out of, through and into check.
        {"5k2/8/8/8/8/8/8/4K2R w K -", 6, 661072},
        {"3k4/8/8/8/8/8/8/R3K3 w Q -", 6, 803711},
        {"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", 4, 1274206},
        {"r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq -", 4, 1720476},
        // Promotion, with and without capture, into check.
        {"2K2r2/4P3/8/8/8/8/8/3k4 w - -", 6, 3821001},
        {"8/8/1P2K3/8/2n5/1q6/8/5k2 b - -", 5, 1004658},
        {"4k3/1P6/8/8/8/8/K7/8 w - -", 6, 217342},
        {"8/P1k5/K7/8/8/8/8/8 w - -", 6, 92683},
        {"K1k5/8/P7/8/8/8/8/8 w - -", 6, 2217},
        {"8/k1P5/8/1K6/8/8/8/8 w - -", 7, 567584},
        // Stalemate and checkmate have no moves.
        {"8/8/2k5/5q2/5n2/8/5K2/8 b - -", 4, 23527},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const int depth = c.depth > 4 ? c.depth - 2 * kDepthCut : c.depth;
        if (depth != c.depth) continue;  // counted only where the build is fast enough
        EXPECT_EQ(perft(at(c.fields), depth), c.nodes);
    }
}

TEST(LegalMoves, EnPassantNeverExposesTheKing) {
    struct Case {
        std::string_view fields;
        std::string_view uci;
        bool legal;
    };
    const Case cases[] = {
        // Both pawns leave the fifth rank, opening it for the rook.
        {"8/8/8/K2pP2r/8/8/8/7k w - d6", "e5d6", false},
        {"8/8/8/K2pP3/8/8/8/7k w - d6", "e5d6", true},
        // The taking pawn is pinned on a diagonal: it may take along it, not off it.
        {"6bk/8/8/2pP4/8/8/K7/8 w - c6", "d5c6", false},
        {"6bk/8/8/3Pp3/8/8/K7/8 w - e6", "d5e6", true},
        // The pawn that moved two squares gives check: taking it answers the check.
        {"8/8/8/3k4/4Pp2/8/8/4K3 b - e3", "f4e3", true},
        // Both pawns leave the fourth rank, opening it for the queen.
        {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d3", "e4d3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const Position p = at(c.fields);
        EXPECT_EQ(moveFromUci(p, c.uci).has_value(), c.legal);
    }
}

TEST(LegalMoves, PromotesToEachPiece) {
    const Position p = at("1n5k/P7/8/8/8/8/8/7K w - -");
    std::string promotions;
    MoveList list;
    generateLegalMoves(p, list);
    for (Move m : list) {
        if (m.kind() == MoveKind::Promotion) promotions += moveToUci(m) + " ";
    }
    EXPECT_EQ(promotions, "a7a8q a7a8r a7a8b a7a8n a7b8q a7b8r a7b8b a7b8n ");
    struct Case {
        std::string_view uci;
        std::string_view fields;
    };
    const Case cases[] = {
        {"a7b8q", "1Q5k/8/8/8/8/8/8/7K b - -"}, {"a7b8r", "1R5k/8/8/8/8/8/8/7K b - -"},
        {"a7b8b", "1B5k/8/8/8/8/8/8/7K b - -"}, {"a7b8n", "1N5k/8/8/8/8/8/8/7K b - -"},
        {"a7a8q", "Qn5k/8/8/8/8/8/8/7K b - -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uci);
        const std::optional<Move> m = moveFromUci(p, c.uci);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(positionToFields(afterMove(p, *m)), c.fields);
    }
}

TEST(AfterMove, UpdatesCastlingAndEnPassant) {
    struct Case {
        std::string_view fields;
        std::string_view uci;
        std::string_view after;
    };
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1 b kq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", "2kr3r/8/8/8/8/8/8/R3K2R w KQ -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "a1a8", "R3k2r/8/8/8/8/8/8/4K2R b Kk -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "h1h2", "r3k2r/8/8/8/8/8/7R/R3K3 b Qkq -"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/4P3/8/8/4K3 b - e3"},
        {"4k3/8/8/8/4Pp2/8/8/4K3 b - e3", "f4e3", "4k3/8/8/8/8/4p3/8/4K3 w - -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        const Position p = at(c.fields);
        const std::optional<Move> m = moveFromUci(p, c.uci);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(positionToFields(afterMove(p, *m)), c.after);
    }
}

TEST(InCheck, SeesEveryKindOfChecker) {
    struct Case {
        std::string_view fields;
        int checkers;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - -", 0},   {"4k3/8/8/8/8/8/3p4/4K3 w - -", 1},
        {"4k3/8/8/8/8/8/4p3/4K3 w - -", 0}, {"4k3/8/8/8/8/5n2/8/4K3 w - -", 1},
        {"4k3/8/8/b7/8/8/8/4K3 w - -", 1},  {"4k3/8/8/b7/8/2P5/8/4K3 w - -", 0},
        {"4r3/8/8/8/8/8/8/k3K3 w - -", 1},  {"4k3/8/8/8/8/8/8/q3K2r w - -", 2},
        {"4k3/8/8/8/8/8/4K3/8 b - -", 0},   {"8/8/8/8/8/3k4/4K3/8 w - -", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        EXPECT_EQ(popCount(checkers(at(c.fields))), c.checkers);
        EXPECT_EQ(inCheck(at(c.fields)), c.checkers > 0);
    }
}

}  // namespace
}  // namespace vestrel
