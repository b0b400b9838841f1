#pragma once
// A node of the solver's search: a position and its key for the transposition tables. The key
// is the solver's own Zobrist hash, brought up to date move by move, so that a look-up costs a
// few xors instead of a walk over the board.

#include <array>
#include <cstdint>

#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

struct Node {
    Position position;
    std::uint64_t key = 0;
};

// One key per piece and square, per castling-rights set and per en-passant file, and one for
// black to move.
struct NodeKeys {
    std::array<std::array<std::uint64_t, 64>, 16> pieces{};  // by Piece, then Square
    std::array<std::uint64_t, 16> castling{};
    std::array<std::uint64_t, 8> enPassantFile{};
    std::uint64_t blackToMove = 0;
};

inline constexpr NodeKeys kNodeKeys = [] {
    NodeKeys keys;
    std::uint64_t state = 0x6e6f64656b657973ULL;
    auto next = [&state] {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    for (auto& squares : keys.pieces) {
        for (std::uint64_t& key : squares) key = next();
    }
    for (std::uint64_t& key : keys.castling) key = next();
    for (std::uint64_t& key : keys.enPassantFile) key = next();
    keys.blackToMove = next();
    return keys;
}();

// The en-passant square's part of a key: it counts only when a pawn stands ready to take, so
// that a pawn's double step transposes into its two single steps. A position where that pawn
// may not take (it is pinned) keeps the square: a transposition lost, never a wrong answer.
inline std::uint64_t enPassantKey(const Position& p) {
    if (p.enPassant == kNoSquare) return 0;
    const Color us = p.sideToMove;
    if ((pawnAttacks(~us, p.enPassant) & p.pieces(us, PieceType::Pawn)) == 0) return 0;
    return kNodeKeys.enPassantFile[fileOf(p.enPassant)];
}

// The key of a position, from scratch.
inline std::uint64_t nodeKey(const Position& p) {
    std::uint64_t key = kNodeKeys.castling[p.castling];
    for (Bitboard b = p.occupied(); b != 0;) {
        const Square s = popLowest(b);
        key ^= kNodeKeys.pieces[index(p.pieceOn(s))][s];
    }
    if (p.sideToMove == Color::Black) key ^= kNodeKeys.blackToMove;
    key ^= enPassantKey(p);
    return key;
}

inline Node makeNode(const Position& position) { return Node{position, nodeKey(position)}; }

// The key of the node after a legal move, from the node before it alone: the key changes by
// the squares the move empties and fills, the castling rights and en-passant squares before
// and after, and the side to move. A search that finds the key in a table need not play the
// move at all.
inline std::uint64_t keyAfter(const Node& node, Move move) {
    const Position& p = node.position;
    const Color us = p.sideToMove;
    const Square from = move.from();
    const Square to = move.to();
    const Piece moved = p.pieceOn(from);
    const Piece placed =
        move.kind() == MoveKind::Promotion ? makePiece(us, move.promotion()) : moved;
    std::uint64_t key = node.key ^ kNodeKeys.blackToMove;
    key ^= kNodeKeys.pieces[index(moved)][from] ^ kNodeKeys.pieces[index(placed)][to];
    if (move.kind() == MoveKind::EnPassant) {
        const Square taken = Square(to ^ 8);
        key ^= kNodeKeys.pieces[index(p.pieceOn(taken))][taken];
    } else if (move.kind() == MoveKind::Castling) {
        // The rook goes from the corner to the square the king crosses.
        const bool kingSide = fileOf(to) == kFileG;
        const Square rookFrom = Square(kingSide ? to + 1 : to - 2);
        const Square rookTo = Square(kingSide ? to - 1 : to + 1);
        const std::size_t rook = index(makePiece(us, PieceType::Rook));
        key ^= kNodeKeys.pieces[rook][rookFrom] ^ kNodeKeys.pieces[rook][rookTo];
    } else if (p.pieceOn(to) != Piece::None) {
        key ^= kNodeKeys.pieces[index(p.pieceOn(to))][to];
    }
    if (p.castling != kNoCastling) {  // most problems have none: 0.4% of the mates in 3
        key ^= kNodeKeys.castling[p.castling] ^
               kNodeKeys.castling[p.castling & castlingKept(from) & castlingKept(to)];
    }
    key ^= enPassantKey(p);
    // A double step leaves a square the other side's pawns next to it may take on; the move
    // changes none of them.
    if (typeOf(moved) == PieceType::Pawn && (from > to ? from - to : to - from) == 16) {
        const Square passed = Square((from + to) / 2);
        if ((pawnAttacks(us, passed) & p.pieces(~us, PieceType::Pawn)) != 0) {
            key ^= kNodeKeys.enPassantFile[fileOf(passed)];
        }
    }
    return key;
}

// The node after a legal move.
inline Node playMove(const Node& node, Move move) {
    return Node{afterMove(node.position, move), keyAfter(node, move)};
}

}  // namespace vestrel
