#pragma once
// Why the full legality test refuses a position that passes the static test: the rule it
// breaks, the side at fault and the men that show it, for a reader who wants to see them on a
// diagram.

#include <cstdint>

#include "position/bitboard.h"
#include "position/legality.h"
#include "position/position.h"

namespace vestrel {

struct GameBreach {
    GameRule rule = GameRule::Legal;  // what checkGameRules says
    // The side whose king stands in check (the check rules and impossible en passant), or
    // whose men break a material rule.
    Color side = Color::White;
    Square king = kNoSquare;  // the king in check
    // The men giving check; for impossible en passant those that gave it before the double
    // step, the pawn on the square it came from among them.
    Bitboard checkers = 0;
    Square pawn = kNoSquare;  // impossible en passant: the pawn that moved two squares
    Square from = kNoSquare;  // and the square it came from
    int count = 0;  // bishop colours: pawns plus pieces beyond the initial set; pawn captures:
                    // the men the other side has lost
    Bitboard squares = 0;  // every square the reader should look at
};

// Explains the verdict of checkGameRules on the same position: Legal with no squares when it
// passes, else the first rule broken.
GameBreach explainGameRules(const Position& position);

// The squares of a bitboard as a placement lists them: bit n of the result is square n of
// the placement (a8 = 0, h8 = 7, ..., h1 = 63). Turning the ranks over is a byte swap.
constexpr std::uint64_t placementSquares(Bitboard squares) { return __builtin_bswap64(squares); }

}  // namespace vestrel
