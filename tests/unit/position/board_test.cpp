#include "position/board.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

struct Case {
    std::string_view position;
    bool legal;
};

// Each position is copied into a string of its exact size, so a read past its end shows up
// under the address sanitizer.
void expectVerdicts(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->position);
        const std::string copy(c->position);
        EXPECT_EQ(validatePosition(copy), c->legal);
    }
}

template <std::size_t N>
void expectVerdicts(const Case (&cases)[N]) {
    expectVerdicts(cases, cases + N);
}

TEST(SquareFromName, MapsNamesOntoTheMailbox) {
    struct NameCase {
        std::string_view name;
        int square;
    };
    const NameCase cases[] = {{"a8", 21}, {"h8", 28}, {"e8", 25}, {"a1", 91},
                              {"e1", 95}, {"h1", 98}, {"e4", 65}, {"d6", 44}};
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(squareFromName(c.name), c.square);
    }
}

TEST(ValidatePosition, AcceptsStartPositionWithAnythingAfterIt) {
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", true},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", true},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm #2; id \"a\";", true},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", true},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, RequiresEightRanksOfEightSquares) {
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5", false},           // no space
        {"8/8/8/8/8/8/K1k5 w - -", false},       // seven ranks
        {"8/8/8/8/8/8/8/8/K1k5 w - -", false},   // nine ranks
        {"8/8/8/8/8/8/8/K1k5/ w - -", false},    // trailing "/"
        {"/8/8/8/8/8/8/8/K1k5 w - -", false},    // leading "/"
        {"8/8/8//8/8/8/K1k5 w - -", false},      // empty rank
        {"8/8/8/8/8/8/45/K1k5 w - -", false},    // rank of nine squares
        {"8/8/8/8/8/8/8/K1k5R w - -", false},    // piece after eight squares
        {"8/8/8/8/8/8/7/K1k5 w - -", false},     // rank of seven squares
        {"8/8/8/8/8/8/08/K1k5 w - -", false},    // "0"
        {"8/8/8/8/8/8/9/K1k5 w - -", false},     // "9"
        {"8/8/8/8/8/8/8/K1k4x w - -", false},    // not a piece letter
        {" w - -", false},                       // empty placement
        {"8/8/8/8/8/8/8/K1k5 w - -", true},      // the same pieces, well formed
        {"8/8/8/8/8/8/8/K1k11111 w - -", true},  // runs of "1" are squares too
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, CountsKingsAndPieces) {
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K7 w - -", false},                 // no black king
        {"k7/8/8/8/8/8/8/K6K w - -", false},               // two white kings
        {"k6k/8/8/8/8/8/8/K7 w - -", false},               // two black kings
        {"8/8/8/8/8/8/8/Kk6 w - -", true},                 // kings side by side
        {"4k3/8/8/8/8/8/4R3/4K3 w - -", true},             // side not to move in check
        {"4k3/8/8/8/8/8/PPPPPPP1/QQ2K3 w - -", true},      // 7 pawns, 2 queens
        {"4k3/8/8/8/8/Q7/PPPPPPPP/Q3K3 w - -", false},     // 8 pawns, 2 queens
        {"4k3/8/8/8/8/N7/PPPPPPPP/NN2K3 w - -", false},    // 8 pawns, 3 knights
        {"4k3/8/8/8/8/B7/PPPPPPPP/BB2K3 w - -", false},    // 8 pawns, 3 bishops
        {"4k3/8/8/8/8/R7/PPPPPPPP/RR2K3 w - -", false},    // 8 pawns, 3 rooks
        {"rrrbbbk1/pppppp2/8/8/8/8/8/4K3 w - -", true},    // 6 pawns, 3 rooks, 3 bishops
        {"rrrbbbk1/ppppppp1/8/8/8/8/8/4K3 w - -", false},  // one pawn more
        {"4k3/pppppppp/p7/8/8/8/8/4K3 w - -", false},      // nine black pawns
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -", true},
        {"rnbqkbnr/pppppppp/n7/8/8/8/PPPPPPPP/RNBQKBNR w - -", false},  // 17 black pieces
        {"rnbqkbnr/8/8/8/8/8/QQ6/QQQQKQQQ w - -", true},                // 8 promoted queens
        {"rnbqkbnr/8/8/8/8/8/QQQ5/QQQQKQQQ w - -", false},              // 9 promoted queens
        {"rnbqkbnr/8/8/8/8/P7/QQ6/QQQQKQQQ w - -", false},              // 8 promoted and a pawn
        {"qqqqkqqq/qq6/8/8/8/8/8/RNBQKBNR w - -", true},                // the same for black
        {"qqqqkqqq/qqq5/8/8/8/8/8/RNBQKBNR w - -", false},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, RejectsPawnsOnEdgeRanks) {
    const Case cases[] = {
        {"P3k3/8/8/8/8/8/8/4K3 w - -", false}, {"p3k3/8/8/8/8/8/8/4K3 w - -", false},
        {"4k3/8/8/8/8/8/8/P3K3 w - -", false}, {"4k3/8/8/8/8/8/8/4K2p w - -", false},
        {"4k3/p7/8/8/8/8/P7/4K3 w - -", true},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ReadsSideToMoveAndSkipsItsSeparator) {
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - -", true},
        {"4k3/8/8/8/8/8/8/4K3 b - -", true},
        {"4k3/8/8/8/8/8/8/4K3 W - -", false},
        {"4k3/8/8/8/8/8/8/4K3 B - -", false},
        {"4k3/8/8/8/8/8/8/4K3 - - -", false},
        {"4k3/8/8/8/8/8/8/4K3 ", false},
        {"4k3/8/8/8/8/8/8/4K3 w", false},
        {"4k3/8/8/8/8/8/8/4K3 wX- -", true},        // the separator is not examined
        {"r3k2r/8/8/8/8/8/8/R3K2R wKQkq -", true},  // "K" lost to the separator
        {"r3k2r/8/8/8/8/8/8/R3K3 wKQkq -", true},   // so the missing h1 rook is not missed
        {"r3k2r/8/8/8/8/8/8/4K2R wKQkq -", false},  // but "Q" still needs the a1 rook
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ChecksCastlingAgainstTheBoard) {
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K2R w K -", true},
        {"4k3/8/8/8/8/8/8/4K3 w K -", false},   // no h1 rook
        {"4k3/8/8/8/8/8/8/3K3R w K -", false},  // king off e1
        {"4k3/8/8/8/8/8/8/R3K3 w Q -", true},
        {"4k3/8/8/8/8/8/8/4K2R w Q -", false},  // no a1 rook
        {"4k2r/8/8/8/8/8/8/4K3 w k -", true},
        {"4k2R/8/8/8/8/8/8/4K3 w k -", false},  // rook of the wrong colour
        {"r3k3/8/8/8/8/8/8/4K3 w q -", true},
        {"r2k4/8/8/8/8/8/8/4K3 w q -", false},       // king off e8
        {"3k4/8/8/8/8/8/8/K7 w - -", true},          // "-" asks nothing of the kings
        {"r3k2r/8/8/8/8/8/8/R3K2R w qkQK -", true},  // order not examined
        {"4k3/8/8/8/8/8/8/4K2R w KK -", true},       // repeats not examined
        {"4k3/8/8/8/8/8/8/4K2R w K- -", true},       // "-" beside letters
        {"4k3/8/8/8/8/8/8/4K3 w X -", false},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq- -", false},  // five characters
        {"4k3/8/8/8/8/8/8/4K3 w  -", false},           // empty castling field
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq", false},     // ends after the castling field
        {"4k3/8/8/8/8/8/8/4K3 w -", false},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, ChecksEnPassantAgainstTheBoard) {
    const Case cases[] = {
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6", true},
        {"4k3/8/8/4p3/8/8/8/4K3 b - e6", false},  // wrong side to move
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6 0 1", true},
        {"4k3/8/4n3/4p3/8/8/8/4K3 w - e6", false},  // e6 occupied
        {"4k3/4r3/8/4p3/8/8/8/4K3 w - e6", false},  // e7 occupied
        {"4k3/8/8/4P3/8/8/8/4K3 w - e6", false},    // white pawn on e5
        {"4k3/8/8/3p4/8/8/8/4K3 w - e6", false},    // pawn on the wrong file
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3", true},
        {"4k3/8/8/8/4P3/8/8/4K3 w - e3", false},
        {"4k3/8/8/8/4P3/8/4N3/4K3 b - e3", false},  // e2 occupied
        {"4k3/8/8/8/4p3/8/8/4K3 b - e3", false},    // black pawn on e4
        {"4k3/8/8/8/P7/8/8/4K3 b - a3", true},
        {"4k3/8/8/7p/8/8/8/4K3 w - h6", true},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e4", false},
        {"4k3/8/8/8/8/8/8/4K3 w - i6", false},
        {"4k3/8/8/8/8/8/8/4K3 w - e", false},
        {"4k3/8/8/8/8/8/8/4K3 w - --", false},
        {"4k3/8/8/8/8/8/8/4K3 w - ", false},
        {"4k3/8/8/8/8/8/8/4K3 w - x", false},
        {"4k3/8/8/4p3/8/8/8/4K3 w - e6x", false},
    };
    expectVerdicts(cases);
}

TEST(ValidatePosition, StaysInsideTruncatedText) {
    const std::string full = "r3k2r/p7/8/8/8/8/P7/R3K2R w KQkq -";
    for (std::size_t length = 0; length < full.size(); ++length) {
        const std::string prefix = full.substr(0, length);
        SCOPED_TRACE(prefix);
        EXPECT_FALSE(validatePosition(prefix));
    }
    EXPECT_TRUE(validatePosition(full));
}

}  // namespace
}  // namespace vestrel
