#pragma once
// A position on a compact board: the pieces as sets of squares by colour and by type, a
// square-to-piece table, the side to move, castling rights and the en-passant square. Read
// from and written back to the four EPD position fields; hashed for look-ups.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "position/bitboard.h"
#include "position/board.h"
#include "position/types.h"

namespace vestrel {

struct Position {
    std::array<Bitboard, 2> colors{};  // by Color
    std::array<Bitboard, 7> types{};   // by PieceType; types[0] is unused
    std::array<Piece, 64> squares{};   // by Square
    Color sideToMove = Color::White;
    std::uint8_t castling = kNoCastling;  // CastlingRight bits
    Square enPassant = kNoSquare;         // the square behind a pawn that has just moved two

    Bitboard occupied() const { return colors[0] | colors[1]; }
    Bitboard pieces(Color c) const { return colors[index(c)]; }
    Bitboard pieces(Color c, PieceType t) const { return colors[index(c)] & types[index(t)]; }
    Piece pieceOn(Square s) const { return squares[s]; }
    Square kingSquare(Color c) const { return lowestSquare(pieces(c, PieceType::King)); }

    // Puts a piece on an empty square, or takes one off. Inline: a solver plays millions of
    // moves, and the calls cost its mates in 3 1.6% of their instructions.
    void put(Piece p, Square s) {
        const Bitboard bit = squareBit(s);
        colors[index(colorOf(p))] |= bit;
        types[index(typeOf(p))] |= bit;
        squares[s] = p;
    }
    void remove(Square s) {
        const Piece p = squares[s];
        const Bitboard bit = squareBit(s);
        colors[index(colorOf(p))] &= ~bit;
        types[index(typeOf(p))] &= ~bit;
        squares[s] = Piece::None;
    }
};

bool operator==(const Position& a, const Position& b);

// The position of the four EPD position fields (placement, side to move, castling rights,
// en-passant square; anything after a further space is ignored), or the first rule of the
// static legality test it breaks. It accepts exactly the positions validatePosition accepts:
// one king a side, no pawn on an edge rank, castling rights only with king and rook at home,
// an en-passant square only behind a pawn that has just moved two squares.
PositionRule readPosition(std::string_view fields, Position& out);
// The same, with nothing for a text that is no legal board.
std::optional<Position> positionFromFields(std::string_view fields);
// The position of fields whose placement scanBoard has read and validatePosition accepted.
Position positionFromScan(const BoardScan& scan, std::string_view fields);

// The four EPD position fields, the placement written with the fewest digits and castling
// rights in the order "KQkq".
std::string positionToFields(const Position& position);
void appendFields(const Position& position, std::string& out);

// A 64-bit Zobrist hash: equal positions hash equally. The en-passant square counts only when
// a pawn can take en passant, so a position hashes the same with an unusable square and
// with "-".
std::uint64_t zobristHash(const Position& position);

// The initial position of a game.
Position initialPosition();

}  // namespace vestrel
