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

// The node after a legal move: the key changes by the squares the move empties and fills, the
// castling rights and en-passant squares before and after, and the side to move.
inline Node playMove(const Node& node, Move move) {
    const Position& p = node.position;
    Node next{afterMove(p, move), node.key ^ kNodeKeys.blackToMove};
    const Position& q = next.position;
    const Square from = move.from();
    const Square to = move.to();
    std::uint64_t& key = next.key;
    key ^= kNodeKeys.pieces[index(p.pieceOn(from))][from];
    key ^= kNodeKeys.pieces[index(q.pieceOn(to))][to];
    if (move.kind() == MoveKind::EnPassant) {
        const Square taken = Square(to ^ 8);
        key ^= kNodeKeys.pieces[index(p.pieceOn(taken))][taken];
    } else if (move.kind() == MoveKind::Castling) {
        // The rook goes from the corner to the square the king crosses.
        const bool kingSide = fileOf(to) == kFileG;
        const Square rookFrom = Square(kingSide ? to + 1 : to - 2);
        const Square rookTo = Square(kingSide ? to - 1 : to + 1);
        key ^= kNodeKeys.pieces[index(p.pieceOn(rookFrom))][rookFrom] ^
               kNodeKeys.pieces[index(q.pieceOn(rookTo))][rookTo];
    } else if (p.pieceOn(to) != Piece::None) {
        key ^= kNodeKeys.pieces[index(p.pieceOn(to))][to];
    }
    key ^= kNodeKeys.castling[p.castling] ^ kNodeKeys.castling[q.castling];
    key ^= enPassantKey(p) ^ enPassantKey(q);
    return next;
}

}  // namespace vestrel
