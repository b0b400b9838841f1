#pragma once
// Legal moves of a position, playing a move on a copy, check and attack detection, perft.
// Everything works on the stack: no call allocates.

#include <array>
#include <cstdint>

#include "position/bitboard.h"
#include "position/position.h"
#include "position/types.h"

namespace vestrel {

enum class MoveKind : std::uint8_t { Normal, Promotion, EnPassant, Castling };

// A move in 16 bits: from square, to square, kind and promotion piece. Castling is the king's
// move of two squares (e1g1); en passant goes to the en-passant square.
struct Move {
    std::uint16_t bits = 0;

    static constexpr Move make(Square from, Square to, MoveKind kind = MoveKind::Normal,
                               PieceType promotion = PieceType::Knight) {
        return Move{std::uint16_t(from | (to << 6) | (int(kind) << 12) |
                                  ((int(promotion) - int(PieceType::Knight)) << 14))};
    }
    constexpr Square from() const { return Square(bits & 63); }
    constexpr Square to() const { return Square((bits >> 6) & 63); }
    constexpr MoveKind kind() const { return MoveKind((bits >> 12) & 3); }
    // The piece a pawn becomes; None unless the move is a promotion.
    constexpr PieceType promotion() const {
        return kind() == MoveKind::Promotion ? PieceType(((bits >> 14) & 3) + 2) : PieceType::None;
    }
    constexpr bool operator==(const Move&) const = default;
};

// At most 218 moves are legal in any position; the list holds more.
struct MoveList {
    Move moves[256];
    int size = 0;

    void add(Move m) { moves[size++] = m; }
    const Move* begin() const { return moves; }
    const Move* end() const { return moves + size; }
    bool contains(Move m) const;
};

// The castling rights that survive a move from or to each square: a king or rook leaving its
// home square, or a rook taken there, ends the rights it carries.
inline constexpr std::array<std::uint8_t, 64> kCastlingKept = [] {
    std::array<std::uint8_t, 64> kept{};
    kept.fill(kAllCastling);
    kept[kE1] = kAllCastling & ~(kWhiteShort | kWhiteLong);
    kept[kH1] = kAllCastling & ~kWhiteShort;
    kept[kA1] = kAllCastling & ~kWhiteLong;
    kept[kE8] = kAllCastling & ~(kBlackShort | kBlackLong);
    kept[kH8] = kAllCastling & ~kBlackShort;
    kept[kA8] = kAllCastling & ~kBlackLong;
    return kept;
}();
constexpr std::uint8_t castlingKept(Square s) { return kCastlingKept[s]; }

// Every legal move of the side to move. The position must have one king of each colour (as
// every position readPosition accepts has).
void generateLegalMoves(const Position& position, MoveList& list);

// Where the side to move gives check: by PieceType, the squares from which a piece of that type
// checks the enemy king; the pieces that check by leaving their line to it; that king.
struct CheckSquares {
    std::array<Bitboard, 7> byType;
    Bitboard discoverers;
    Square king;
};

// The legal moves as generateLegalMoves lists them, the checking moves first: each group keeps
// its order. Sorting them while they are made saves a pass over the list and its hard-to-predict
// branches (1.3% of the mates in 3's instructions, 3% of their branch misses).
void generateChecksFirst(const Position& position, MoveList& list, const CheckSquares& checks);

// The position after a legal move, the move's own position left as it is. A pawn's double
// step always leaves its en-passant square, as FEN writes it.
Position afterMove(const Position& position, Move move);
// Plays a legal move on the position itself.
void makeMove(Position& position, Move move);

// The pieces of either colour that attack the square, with `occupied` as the occupied squares.
Bitboard attackersTo(const Position& position, Square s, Bitboard occupied);
// The pieces of `by` that attack the square. Only the sliders of `by` on the square's lines
// are followed.
inline Bitboard attackersTo(const Position& position, Square s, Color by) {
    const Position& p = position;
    const Bitboard own = p.pieces(by);
    const Bitboard queens = p.types[index(PieceType::Queen)];
    Bitboard attackers = ((pawnAttacks(~by, s) & p.types[index(PieceType::Pawn)]) |
                          (knightAttacks(s) & p.types[index(PieceType::Knight)]) |
                          (kingAttacks(s) & p.types[index(PieceType::King)])) &
                         own;
    Bitboard sliders = own & (((p.types[index(PieceType::Rook)] | queens) & rookLines(s)) |
                              ((p.types[index(PieceType::Bishop)] | queens) & bishopLines(s)));
    const Bitboard occupied = p.occupied();
    while (sliders != 0) {
        const Square from = popLowest(sliders);
        if ((betweenBits(s, from) & occupied) == 0) attackers |= squareBit(from);
    }
    return attackers;
}
// The pieces that give check to the side to move.
inline Bitboard checkers(const Position& position) {
    const Color us = position.sideToMove;
    return attackersTo(position, position.kingSquare(us), ~us);
}
inline bool inCheck(const Position& position) { return checkers(position) != 0; }

// True when a pawn of the side to move can legally take on the en-passant square.
bool canTakeEnPassant(const Position& position);

// Leaf positions of the move tree `depth` plies deep (1 at depth 0).
std::uint64_t perft(const Position& position, int depth);

}  // namespace vestrel
