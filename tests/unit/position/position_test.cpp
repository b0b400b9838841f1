#include "position/position.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <unordered_map>

#include "position/move_text.h"
#include "position/movegen.h"
#include "position/placement.h"
#include "random_games.h"

namespace vestrel {
namespace {

Position at(std::string_view fields) {
    const std::optional<Position> p = positionFromFields(fields);
    EXPECT_TRUE(p.has_value()) << fields;
    return p.value_or(initialPosition());
}

TEST(PositionFromFields, ReadsAndWritesTheFourFields) {
    const std::string_view cases[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b Kq -",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6",
        "8/8/8/8/3Pp3/8/8/K6k b - d3",
        "7k/8/8/8/8/8/8/K7 w - -",
    };
    for (std::string_view fields : cases) {
        SCOPED_TRACE(fields);
        const Position p = at(fields);
        EXPECT_EQ(positionToFields(p), fields);
        EXPECT_EQ(popCount(p.occupied()), popCount(p.colors[0]) + popCount(p.colors[1]));
        BoardScan scan;
        scanBoard(fields, scan);
        EXPECT_EQ(positionFromScan(scan, fields), p);
    }
    // Anything after the fields is ignored; castling letters come back in their order.
    EXPECT_EQ(positionToFields(at("r3k2r/8/8/8/8/8/8/R3K2R w qkQK - 0 1 bm #2;")),
              "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    EXPECT_EQ(positionToFields(at("4k3/8/8/8/8/8/8/R3K2R b K-KK -")),
              "4k3/8/8/8/8/8/8/R3K2R b K -");
}

TEST(PositionFromFields, NamesWhatIsNoBoard) {
    struct Case {
        std::string_view fields;
        PositionRule rule;
    };
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5", PositionRule::Placement},
        {"8/8/8/8/8/8/K1k5 w - -", PositionRule::Placement},
        {"8/8/8/8/8/8/8/K1K5 w - -", PositionRule::PieceCounts},
        {"8/8/8/8/8/8/8/K1k4P w - -", PositionRule::PawnOnEdge},
        {"8/8/8/8/8/8/8/K1k5 W - -", PositionRule::SideToMove},
        {"8/8/8/8/8/8/8/K1k5 w K -", PositionRule::CastlingRight},
        {"8/8/8/8/8/8/8/K1k5 w - e6", PositionRule::EnPassant},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        Position p;
        EXPECT_EQ(readPosition(c.fields, p), c.rule);
        EXPECT_FALSE(positionFromFields(c.fields).has_value());
    }
}

TEST(ZobristHash, TellsPositionsApart) {
    const Position start = initialPosition();
    Position p = start;
    for (std::string_view uci : {"g1f3", "g8f6", "f3g1", "f6g8"}) {
        p = afterMove(p, *moveFromUci(p, uci));
    }
    EXPECT_EQ(zobristHash(p), zobristHash(start));  // the same position by another road

    const auto hashOf = [](std::string_view fields) { return zobristHash(at(fields)); };
    EXPECT_NE(hashOf("4k3/8/8/8/8/8/8/4K3 w - -"), hashOf("4k3/8/8/8/8/8/8/4K3 b - -"));
    EXPECT_NE(hashOf("4k3/8/8/8/8/8/8/R3K3 w Q -"), hashOf("4k3/8/8/8/8/8/8/R3K3 w - -"));
    EXPECT_NE(hashOf("4k3/8/8/8/8/8/8/R3K3 w - -"), hashOf("4k3/8/8/8/8/8/8/3RK3 w - -"));
    // An en-passant square counts only when a pawn can take on it.
    EXPECT_NE(hashOf("4k3/8/8/3pP3/8/8/8/4K3 w - d6"), hashOf("4k3/8/8/3pP3/8/8/8/4K3 w - -"));
    EXPECT_EQ(hashOf("4k3/8/8/3p4/8/8/8/4K3 w - d6"), hashOf("4k3/8/8/3p4/8/8/8/4K3 w - -"));
    EXPECT_EQ(hashOf("6bk/8/8/2pP4/8/8/K7/8 w - c6"), hashOf("6bk/8/8/2pP4/8/8/K7/8 w - -"));
}

// Over many positions of random games, two positions hash alike exactly when their fields
// (with a usable en-passant square only) are alike, and every position survives its fields.
TEST(ZobristHash, AgreesWithTheFieldsOverRandomGames) {
    std::unordered_map<std::uint64_t, std::string> seen;
    int positions = 0;
    playRandomGames(7, 200, 120, [&](const Position& p) {
        Position plain = p;
        if (!canTakeEnPassant(plain)) plain.enPassant = kNoSquare;
        const std::string fields = positionToFields(plain);
        const std::optional<Position> back = positionFromFields(positionToFields(p));
        ASSERT_TRUE(back.has_value()) << positionToFields(p);
        EXPECT_EQ(*back, p);
        const auto [it, added] = seen.emplace(zobristHash(p), fields);
        if (!added) {
            EXPECT_EQ(it->second, fields);
        }
        ++positions;
    });
    EXPECT_GT(positions, 10000);
}

}  // namespace
}  // namespace vestrel
