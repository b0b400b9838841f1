#pragma once
// The quick tests a solver asks of moves and positions: does a move give check, has the side
// to move any legal move, has a goal been reached; and the order in which to try moves.

#include <array>

#include "position/bitboard.h"
#include "position/movegen.h"
#include "position/position.h"
#include "solver/stipulation.h"

namespace vestrel {

// The squares on the diagonals and on the rank and file of each square, on an empty board.
struct Lines {
    std::array<Bitboard, 64> diagonal{};
    std::array<Bitboard, 64> straight{};
};

inline constexpr Lines kLines = [] {
    Lines lines;
    for (int s = 0; s < 64; ++s) {
        for (int t = 0; t < 64; ++t) {
            const int df = (t & 7) - (s & 7);
            const int dr = (t >> 3) - (s >> 3);
            if (s == t) continue;
            if (df == dr || df == -dr) lines.diagonal[std::size_t(s)] |= Bitboard{1} << t;
            if (df == 0 || dr == 0) lines.straight[std::size_t(s)] |= Bitboard{1} << t;
        }
    }
    return lines;
}();

// For the side to move: the squares from which each of its piece types would check the
// enemy king, and its pieces that would give a discovered check by leaving their line.
struct CheckInfo {
    Square king = kNoSquare;  // the enemy king
    std::array<Bitboard, 7> squares{};
    Bitboard discoverers = 0;
};

CheckInfo checkInfo(const Position& position);
// True when the legal move gives check.
bool givesCheck(const Position& position, Move move, const CheckInfo& info);

// True when the side to move has a legal move; tries the king's steps before generating.
bool hasLegalMove(const Position& position);

// True when the side to move is mated (Mate) or stalemated (Stalemate).
bool goalReached(const Position& position, Goal goal);

enum class MoveOrder { Attacker, Defender };

// The bands moves are tried in, lowest first (see rankMoves).
inline constexpr int kMoveBands = 10;

// The band of each move of the list, in `bands`: the order orderMoves sorts the list in is
// band by band, each band in list order.
void rankMoves(const Position& position, const MoveList& list, const Move* preferred,
               int preferredCount, const CheckInfo* checks, MoveOrder order, std::uint8_t* bands);

// Orders the moves for trying: for the attacker the preferred moves first (in their given
// order), then with `checks` the checking moves, then captures of the most valuable pieces,
// promotions and the rest; for the defender checks and captures come before the preferred
// moves. Each group keeps the generation order.
void orderMoves(const Position& position, MoveList& list, const Move* preferred, int preferredCount,
                const CheckInfo* checks, MoveOrder order);

// True when the side to move may legally play the move. Castling and en passant are left to
// the move list: false for them.
bool isLegalMove(const Position& position, Move move);

// True when one of the pieces `by` attacks the square, with `occupied` as the occupied squares.
bool isAttacked(const Position& position, Square s, Bitboard by, Bitboard occupied);
// Those of the squares that one of the pieces `by` attacks, with `occupied` as the occupied
// squares.
Bitboard attackedAmong(const Position& position, Bitboard squares, Bitboard by, Bitboard occupied);
// Those of the pieces `by` that attack the square; sliders are looked at only when one stands
// on a line through it.
Bitboard attackersAmong(const Position& position, Square s, Bitboard by, Bitboard occupied);

// Moves the preferred moves that the list holds to its front, in their order; the others keep
// theirs.
void preferMoves(MoveList& list, const Move* preferred, int preferredCount);

// Sorts moves for listing: by destination square from h8 down to a1, then by origin the same
// way, then queen, rook, bishop and knight promotions.
bool listsBefore(Move a, Move b);

}  // namespace vestrel
