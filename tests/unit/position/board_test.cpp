#include "position/board.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

using enum PositionRule;

struct Case {
    std::string_view position;
    PositionRule rule;
};

// Each position is copied into a string of its exact size, so a read past its end shows up
// under the address sanitizer.
void expectVerdicts(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->position);
        const std::string copy(c->position);
        EXPECT_EQ(validatePosition(copy), c->rule);
    }
}

template <std::size_t N>
void expectVerdicts(const Case (&cases)[N]) {
    expectVerdicts(cases, cases + N);
}

TEST(ValidatePosition, AcceptsStartPositionWithAnythingAfterIt) {
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", Legal},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", Legal},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm #2; id \"a\";", Legal},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", Legal},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, RequiresEightRanksOfEightSquares) {
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5", Placement},          // no space
        {"8/8/8/8/8/8/K1k5 w - -", Placement},      // seven ranks
        {"8/8/8/8/8/8/8/8/K1k5 w - -", Placement},  // nine ranks
        {"8/8/8/8/8/8/8/K1k5/ w - -", Placement},   // trailing "/"
        {"/8/8/8/8/8/8/8/K1k5 w - -", Placement},   // leading "/"
        {"8/8/8//8/8/8/K1k5 w - -", Placement},     // empty rank
        {"8/8/8//88/8/8/K1k5 w - -", Placement},    // empty rank, 64 squares all the same
        {"8/8/8/8/8/8/45/K1k5 w - -", Placement},   // rank of nine squares
        {"8/8/8/8/8/8/8/K1k5R w - -", Placement},   // piece after eight squares
        {"8/8/8/8/8/8/7/K1k5 w - -", Placement},    // rank of seven squares
        {"8/8/8/8/8/8/08/K1k5 w - -", Placement},   // "0"
        {"8/8/8/8/8/8/9/K1k5 w - -", Placement},    // "9"
        {"8/8/8/8/8/8/8/K1k4x w - -", Placement},   // not a piece letter
        {" w - -", Placement},                      // empty placement
        {"8/8/8/8/8/8/8/K1k5 w - -", Legal},        // the same pieces, well formed
        {"8/8/8/8/8/8/8/K1k11111 w - -", Legal},    // runs of "1" are squares too
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, CountsKingsAndPieces) {
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K7 w - -", PieceCounts},                // no black king
        {"k7/8/8/8/8/8/8/K6K w - -", PieceCounts},              // two white kings
        {"k6k/8/8/8/8/8/8/K7 w - -", PieceCounts},              // two black kings
        {"8/8/8/8/8/8/8/Kk6 w - -", Legal},                     // kings side by side
        {"4k3/8/8/8/8/8/4R3/4K3 w - -", Legal},                 // side not to move in check
        {"4k3/8/8/8/8/8/PPPPPPP1/QQ2K3 w - -", Legal},          // 7 pawns, 2 queens
        {"4k3/8/8/8/8/Q7/PPPPPPPP/Q3K3 w - -", Promotions},     // 8 pawns, 2 queens
        {"4k3/8/8/8/8/N7/PPPPPPPP/NN2K3 w - -", Promotions},    // 8 pawns, 3 knights
        {"4k3/8/8/8/8/B7/PPPPPPPP/BB2K3 w - -", Promotions},    // 8 pawns, 3 bishops
        {"4k3/8/8/8/8/R7/PPPPPPPP/RR2K3 w - -", Promotions},    // 8 pawns, 3 rooks
        {"rrrbbbk1/pppppp2/8/8/8/8/8/4K3 w - -", Legal},        // 6 pawns, 3 rooks, 3 bishops
        {"rrrbbbk1/ppppppp1/8/8/8/8/8/4K3 w - -", Promotions},  // one pawn more
        {"4k3/pppppppp/p7/8/8/8/8/4K3 w - -", PieceCounts},     // nine black pawns
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -", Legal},
        {"rnbqkbnr/pppppppp/n7/8/8/8/PPPPPPPP/RNBQKBNR w - -", PieceCounts},  // 17 black pieces
        {"rnbqkbnr/8/8/8/8/8/QQ6/QQQQKQQQ w - -", Legal},                     // 8 promoted queens
        {"rnbqkbnr/8/8/8/8/8/QQQ5/QQQQKQQQ w - -", Promotions},               // 9 promoted queens
        {"rnbqkbnr/8/8/8/8/P7/QQ6/QQQQKQQQ w - -", Promotions},  // 8 promoted and a pawn
        {"qqqqkqqq/qq6/8/8/8/8/8/RNBQKBNR w - -", Legal},        // the same for black
        {"qqqqkqqq/qqq5/8/8/8/8/8/RNBQKBNR w - -", Promotions},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, RejectsPawnsOnEdgeRanks) {
    const Case cases[] = {
        {"P3k3/8/8/8/8/8/8/4K3 w - -", PawnOnEdge}, {"p3k3/8/8/8/8/8/8/4K3 w - -", PawnOnEdge},
        {"4k3/8/8/8/8/8/8/P3K3 w - -", PawnOnEdge}, {"4k3/8/8/8/8/8/8/4K2p w - -", PawnOnEdge},
        {"4k3/p7/8/8/8/8/P7/4K3 w - -", Legal},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ReadsSideToMoveAndSkipsItsSeparator) {
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - -", Legal},
        {"4k3/8/8/8/8/8/8/4K3 b - -", Legal},
        {"4k3/8/8/8/8/8/8/4K3 W - -", SideToMove},
        {"4k3/8/8/8/8/8/8/4K3 B - -", SideToMove},
        {"4k3/8/8/8/8/8/8/4K3 - - -", SideToMove},
        {"4k3/8/8/8/8/8/8/4K3 ", SideToMove},
        {"4k3/8/8/8/8/8/8/4K3 w", CastlingField},
        {"4k3/8/8/8/8/8/8/4K3 wX- -", Legal},               // the separator is not examined
        {"r3k2r/8/8/8/8/8/8/R3K2R wKQkq -", Legal},         // "K" lost to the separator
        {"r3k2r/8/8/8/8/8/8/R3K3 wKQkq -", Legal},          // so the missing h1 rook is not missed
        {"r3k2r/8/8/8/8/8/8/4K2R wKQkq -", CastlingRight},  // but "Q" still needs the a1 rook
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ChecksCastlingAgainstTheBoard) {
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K2R w K -", Legal},
        {"4k3/8/8/8/8/8/8/4K3 w K -", CastlingRight},   // no h1 rook
        {"4k3/8/8/8/8/8/8/3K3R w K -", CastlingRight},  // king off e1
        {"4k3/8/8/8/8/8/8/R3K3 w Q -", Legal},
        {"4k3/8/8/8/8/8/8/4K2R w Q -", CastlingRight},  // no a1 rook
        {"4k2r/8/8/8/8/8/8/4K3 w k -", Legal},
        {"4k2R/8/8/8/8/8/8/4K3 w k -", CastlingRight},  // rook of the wrong colour
        {"r3k3/8/8/8/8/8/8/4K3 w q -", Legal},
        {"r2k4/8/8/8/8/8/8/4K3 w q -", CastlingRight},  // king off e8
        {"3k4/8/8/8/8/8/8/K7 w - -", Legal},            // "-" asks nothing of the kings
        {"r3k2r/8/8/8/8/8/8/R3K2R w qkQK -", Legal},    // order not examined
        {"4k3/8/8/8/8/8/8/4K2R w KK -", Legal},         // repeats not examined
        {"4k3/8/8/8/8/8/8/4K2R w K- -", Legal},         // "-" beside letters
        {"4k3/8/8/8/8/8/8/4K3 w X -", CastlingRight},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq- -", CastlingField},  // five characters
        {"4k3/8/8/8/8/8/8/4K3 w  -", CastlingField},           // empty castling field
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq", CastlingField},     // ends after the castling field
        {"4k3/8/8/8/8/8/8/4K3 w -", CastlingField},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ChecksEnPassantAgainstTheBoard) {
    const Case cases[] = {
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6", Legal},
        {"4k3/8/8/4p3/8/8/8/4K3 b - e6", EnPassant},  // wrong side to move
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6 0 1", Legal},
        {"4k3/8/4n3/4p3/8/8/8/4K3 w - e6", EnPassant},  // e6 occupied
        {"4k3/4r3/8/4p3/8/8/8/4K3 w - e6", EnPassant},  // e7 occupied
        {"4k3/8/8/4P3/8/8/8/4K3 w - e6", EnPassant},    // white pawn on e5
        {"4k3/8/8/3p4/8/8/8/4K3 w - e6", EnPassant},    // pawn on the wrong file
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3", Legal},
        {"4k3/8/8/8/4P3/8/8/4K3 w - e3", EnPassant},
        {"4k3/8/8/8/4P3/8/4N3/4K3 b - e3", EnPassant},  // e2 occupied
        {"4k3/8/8/8/4p3/8/8/4K3 b - e3", EnPassant},    // black pawn on e4
        {"4k3/8/8/8/P7/8/8/4K3 b - a3", Legal},
        {"4k3/8/8/7p/8/8/8/4K3 w - h6", Legal},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e4", EnPassant},
        {"4k3/8/8/8/8/8/8/4K3 w - i6", EnPassant},
        {"4k3/8/8/8/8/8/8/4K3 w - e", EnPassant},
        {"4k3/8/8/8/8/8/8/4K3 w - --", EnPassant},
        {"4k3/8/8/8/8/8/8/4K3 w - ", EnPassant},
        {"4k3/8/8/8/8/8/8/4K3 w - x", EnPassant},
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6x", EnPassant},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, StaysInsideTruncatedText) {
    const std::string full = "r3k2r/p7/8/8/8/8/P7/R3K2R w KQkq -";
    for (std::size_t length = 0; length < full.size(); ++length) {
        const std::string prefix = full.substr(0, length);
        SCOPED_TRACE(prefix);
        EXPECT_NE(validatePosition(prefix), Legal);
    }
    EXPECT_EQ(validatePosition(full), Legal);
}

}  // namespace
}  // namespace vestrel
