#pragma once
// Why the static legality test refuses a position: the rule it breaks, the side that breaks
// it and the squares that make it fail, for a reader who wants to see them on a diagram.

#include <cstdint>
#include <string_view>

#include "position/board.h"

namespace vestrel {

// What breaks a rule, beyond the rule itself.
enum class Breach {
    None,
    NotABoard,        // the placement is not 8 ranks of 8 squares
    KingCount,        // a side without a king, or with several
    PieceTotal,       // more than 16 pieces of a side
    PawnTotal,        // more than 8 pawns of a side
    PromotedPieces,   // pawns and pieces beyond the initial set add up to more than 8
    PawnOnEdge,       // pawns on the first or eighth rank
    SideToMove,       // the side is neither "w" nor "b"
    CastlingField,    // the castling field is missing, empty or too long
    CastlingLetter,   // a castling letter that is no right at all
    CastlingPieces,   // a castling right whose king or rook is not at home
    EnPassantSquare,  // an en-passant field that names no rank-3 or rank-6 square
    EnPassantBoard,   // an en-passant square with no pawn just past it, or a square taken
};

struct RuleBreach {
    PositionRule rule = PositionRule::Legal;  // what validatePosition says
    Breach breach = Breach::None;
    int side = 0;               // +1 white, -1 black, 0 when no side is to blame
    int count = 0;              // kings, pieces or pawns counted; pawns plus extra pieces
    char letter = 0;            // the castling letter at fault
    std::uint64_t squares = 0;  // bit n: square n of the grid (a8 = 0, h8 = 7, ..., h1 = 63)
};

// Explains the verdict of validatePosition on the same text: Legal with no squares when it
// passes, else the first rule broken, in the order the test checks them.
RuleBreach explainPosition(std::string_view position);

// The grid index of a square given by file (0 = a) and rank (1 to 8).
constexpr int gridSquare(int file, int rank) { return (8 - rank) * 8 + file; }

}  // namespace vestrel
