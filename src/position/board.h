#pragma once
// Static legality of a position on a 10 x 12 mailbox board: piece counts, pawns on edge
// ranks, side to move, castling and en-passant fields against the board.

#include <array>
#include <cstdint>
#include <string_view>

namespace vestrel {

struct Board {
    std::array<std::int32_t, 120> squares{};
    std::array<bool, 3> kingCastle{};                 // indexed by colour + 1
    std::array<std::array<bool, 3>, 2> rookCastle{};  // [0] long side, [1] short side
    std::int32_t epSquare = 0;
};

// Square index of a name such as "e4": 10 x (10 - rank) + file number (a = 1).
int squareFromName(std::string_view name);

// True when the position (placement, side, castling, en passant, anything after) is legal.
bool validatePosition(std::string_view position);

}  // namespace vestrel
