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
// Its members are all set by checkInfo, and by nothing before it: clearing them first cost the
// mate test, which makes one per position, 1% of the mates in 3's time.
struct CheckInfo {
    Square king;                      // the enemy king
    std::array<Bitboard, 7> squares;  // by PieceType; none for None and King
    Bitboard discoverers;
};

inline CheckInfo checkInfo(const Position& p) {
    CheckInfo info;
    const Color us = p.sideToMove;
    const Color them = ~us;
    const Square king = p.kingSquare(them);
    const Bitboard occupied = p.occupied();
    info.king = king;
    info.discoverers = 0;
    info.squares[index(PieceType::None)] = 0;
    info.squares[index(PieceType::King)] = 0;
    info.squares[index(PieceType::Pawn)] = pawnAttacks(them, king);
    info.squares[index(PieceType::Knight)] = knightAttacks(king);
    info.squares[index(PieceType::Bishop)] = bishopAttacks(king, occupied);
    info.squares[index(PieceType::Rook)] = rookAttacks(king, occupied);
    info.squares[index(PieceType::Queen)] =
        info.squares[index(PieceType::Bishop)] | info.squares[index(PieceType::Rook)];
    const Bitboard queens = p.pieces(us, PieceType::Queen);
    Bitboard snipers = (kLines.straight[king] & (p.pieces(us, PieceType::Rook) | queens)) |
                       (kLines.diagonal[king] & (p.pieces(us, PieceType::Bishop) | queens));
    while (snipers != 0) {
        const Bitboard between = betweenBits(king, popLowest(snipers)) & occupied;
        if (between != 0 && !hasMoreThanOne(between)) info.discoverers |= between & p.pieces(us);
    }
    return info;
}

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

// True when one of the pieces `them`, all of the colour `by`, attacks the square, with
// `occupied` as the occupied squares.
// Inline: the mate test asks it a million times a set.
inline bool isAttacked(const Position& p, Square s, Color by, Bitboard them, Bitboard occupied) {
    if ((knightAttacks(s) & them & p.types[index(PieceType::Knight)]) != 0) return true;
    if ((kingAttacks(s) & them & p.types[index(PieceType::King)]) != 0) return true;
    if ((pawnAttacks(~by, s) & them & p.types[index(PieceType::Pawn)]) != 0) return true;
    const Bitboard queens = p.types[index(PieceType::Queen)];
    const Bitboard diagonal = them & (p.types[index(PieceType::Bishop)] | queens);
    const Bitboard straight = them & (p.types[index(PieceType::Rook)] | queens);
    // A slider on a line through the square attacks it when nothing stands between: most
    // squares see no slider or one, which a look-up settles faster than its rays (0.2%).
    for (Bitboard b = (diagonal & kLines.diagonal[s]) | (straight & kLines.straight[s]); b != 0;) {
        if ((betweenBits(s, popLowest(b)) & occupied) == 0) return true;
    }
    return false;
}

// True when the king of the side to move has a step to a square no enemy piece attacks once
// the king has left its own.
inline bool kingCanStep(const Position& p) {
    const Color us = p.sideToMove;
    const Square king = p.kingSquare(us);
    const Bitboard withoutKing = p.occupied() ^ squareBit(king);
    for (Bitboard to = kingAttacks(king) & ~p.pieces(us); to != 0;) {
        if (!isAttacked(p, popLowest(to), ~us, p.pieces(~us), withoutKing)) return true;
    }
    return false;
}

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
