#include "position/move_text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vestrel {
namespace {

Position at(std::string_view fields) {
    const std::optional<Position> p = positionFromFields(fields);
    EXPECT_TRUE(p.has_value()) << fields;
    return p.value_or(initialPosition());
}

struct Case {
    std::string_view fields;
    std::string_view uci;
    std::string_view san;
};

// Each move is given in UCI, written in SAN and read back from that SAN.
TEST(MoveToSan, WritesAndReadsBack) {
    const Case cases[] = {
        // Disambiguation by file, by rank, by both, and none beside a pinned rival.
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "b1d2", "Nbd2"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "f3d2", "Nfd2"},
        {"4k3/8/8/8/8/R7/8/R3K3 w - -", "a1a2", "R1a2"},
        {"4k3/8/8/8/8/R7/8/R3K3 w - -", "a3a2", "R3a2"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "a1b2", "Qa1b2"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "c1b2", "Qcb2"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "a3b2", "Q3b2"},
        {"4k3/8/8/8/8/5N2/8/rN2K3 w - -", "f3d2", "Nd2"},
        // Pawn moves, captures, en passant and promotions.
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4e5", "e5"},
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "exd5"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "exd6"},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b7b8q", "b8=Q+"},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b7a8n", "bxa8=N"},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b7a8q", "bxa8=Q+"},
        {"4k3/8/8/8/8/8/6p1/4K2R b - -", "g2h1r", "gxh1=R+"},
        // Castling, checks and mates; a stalemating move has no mark.
        {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", "O-O+"},
        {"r3k3/8/8/8/8/8/8/4K3 b q -", "e8c8", "O-O-O"},
        {"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq g3", "d8h4", "Qh4#"},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", "a1a8", "Ra8#"},
        {"7k/8/6Q1/8/8/8/8/6K1 w - -", "g6f7", "Qf7"},
        {"k7/8/1Q6/8/8/8/8/6K1 w - -", "g1f1", "Kf1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        SCOPED_TRACE(c.uci);
        const Position p = at(c.fields);
        const std::optional<Move> m = moveFromUci(p, c.uci);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(moveToUci(*m), c.uci);
        EXPECT_EQ(moveToSan(p, *m), c.san);
        EXPECT_EQ(moveFromSan(p, c.san), m);
    }
}

TEST(MoveFromSan, TakesCommonVariantsAndRefusesAmbiguity) {
    struct Variant {
        std::string_view fields;
        std::string_view san;
        std::string_view uci;  // empty: no move
    };
    const Variant cases[] = {
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b8Q", "b7b8q"},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "bxa8=q", "b7a8q"},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b8", ""},  // a promotion must name its piece
        {"r3k3/1P6/8/8/8/8/8/4K3 w - -", "b8=K", ""},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "Nd2", ""},  // two knights fit
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "Nf3d2", "f3d2"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "Nf3-d2!?", "f3d2"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "Ke3", ""},  // not a king move
        {"5k2/8/8/8/8/8/8/4K2R w K -", "0-0", "e1g1"},
        {"5k2/8/8/8/8/8/8/4K2R w K -", "O-O-O", ""},
        {"4k3/8/8/8/8/2b5/1P6/4K3 w - -", "bxc3", "b2c3"},
        {"4k3/8/8/8/8/2b5/1P6/4K3 w - -", "Bxc3", ""},
        {"4k3/8/8/8/8/8/8/4K3 w - -", "", ""},
        {"4k3/8/8/8/8/8/8/4K3 w - -", "Kz9", ""},
    };
    for (const Variant& c : cases) {
        SCOPED_TRACE(c.san);
        const std::optional<Move> m = moveFromSan(at(c.fields), c.san);
        EXPECT_EQ(m ? moveToUci(*m) : std::string(), c.uci);
    }
}

TEST(MoveFromUci, RefusesIllegalAndMalformedText) {
    const Position p = initialPosition();
    for (std::string_view text : {"e2e5", "e7e5", "e1g1", "e2e4q", "e2", "", "e2e4 "}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(moveFromUci(p, text).has_value());
    }
    EXPECT_TRUE(moveFromUci(p, "g1f3").has_value());
}

}  // namespace
}  // namespace vestrel
