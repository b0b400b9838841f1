#pragma once
// Static legality of a position on an 8 x 8 board: piece counts, pawns on edge
// ranks, side to move, castling and en-passant fields against the board.

#include <string_view>

#include "position/placement.h"

namespace vestrel {

// The first rule a position breaks, in the order they are checked; Legal when none.
enum class PositionRule {
    Legal,
    Placement,      // no space after it, or not exactly 8 ranks of 8 squares of pieces
    PieceCounts,    // not one king, more than 16 pieces or more than 8 pawns of a colour
    Promotions,     // more pieces beyond the initial set than missing pawns
    PawnOnEdge,     // a pawn on the first or last rank
    SideToMove,     // neither "w" nor "b"
    CastlingField,  // missing, empty or longer than four letters
    CastlingRight,  // a letter that is not "-", or a right without its king and rook
    EnPassant,      // not "-", nor a square behind a pawn that has just moved two squares
};

// Checks the position (placement, side, castling, en passant, anything after).
PositionRule validatePosition(std::string_view position);
// The same for a position whose placement is already scanned.
PositionRule validatePosition(const BoardScan& scan, std::string_view position);

}  // namespace vestrel
