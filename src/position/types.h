#pragma once
// The chess vocabulary every board-handling unit shares: colours, piece types, pieces,
// squares, files and ranks, with the small conversions between them and their letters.
//
// Squares count from a1 = 0 along the ranks to h8 = 63. A placement text lists rank 8 first;
// flipRank(square) is a square's place in that order (a8 = 0, h1 = 63).

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vestrel {

enum class Color : std::uint8_t { White, Black };

constexpr Color operator~(Color c) { return Color(std::uint8_t(c) ^ 1); }
constexpr std::size_t index(Color c) { return std::size_t(c); }

enum class PieceType : std::uint8_t { None, Pawn, Knight, Bishop, Rook, Queen, King };

constexpr std::size_t index(PieceType t) { return std::size_t(t); }

// A piece is its colour times 8 plus its type: white 1..6, black 9..14, 0 an empty square.
enum class Piece : std::uint8_t {
    None = 0,
    WhitePawn = 1,
    WhiteKnight,
    WhiteBishop,
    WhiteRook,
    WhiteQueen,
    WhiteKing,
    BlackPawn = 9,
    BlackKnight,
    BlackBishop,
    BlackRook,
    BlackQueen,
    BlackKing,
};

constexpr std::size_t index(Piece p) { return std::size_t(p); }
constexpr Piece makePiece(Color c, PieceType t) {
    return Piece(std::uint8_t(c) * 8 + std::uint8_t(t));
}
constexpr PieceType typeOf(Piece p) { return PieceType(std::uint8_t(p) & 7); }
constexpr Color colorOf(Piece p) { return Color(std::uint8_t(p) >> 3); }
// The same piece type in the other colour.
constexpr Piece flipColor(Piece p) { return p == Piece::None ? p : Piece(std::uint8_t(p) ^ 8); }

// "PNBRQK" for white, "pnbrqk" for black, " " for an empty square.
constexpr char pieceLetter(Piece p) {
    constexpr std::string_view kLetters = " PNBRQK  pnbrqk ";
    return kLetters[index(p)];
}
// The upper-case letter of a piece type ("N" for a knight), " " for none.
constexpr char typeLetter(PieceType t) { return " PNBRQK"[index(t)]; }

// The piece each FEN letter stands for; None for any other byte.
inline constexpr std::array<Piece, 256> kPieceOfLetter = [] {
    std::array<Piece, 256> table{};
    constexpr std::string_view kLetters = "PNBRQK";
    for (std::uint8_t t = 1; t <= 6; ++t) {
        table[std::uint8_t(kLetters[t - 1])] = makePiece(Color::White, PieceType(t));
        table[std::uint8_t(kLetters[t - 1] + 32)] = makePiece(Color::Black, PieceType(t));
    }
    return table;
}();
constexpr Piece pieceFromLetter(char c) { return kPieceOfLetter[std::uint8_t(c)]; }

enum File : std::uint8_t { kFileA, kFileB, kFileC, kFileD, kFileE, kFileF, kFileG, kFileH };
enum Rank : std::uint8_t { kRank1, kRank2, kRank3, kRank4, kRank5, kRank6, kRank7, kRank8 };

// clang-format off
enum Square : std::uint8_t {
    kA1, kB1, kC1, kD1, kE1, kF1, kG1, kH1,
    kA2, kB2, kC2, kD2, kE2, kF2, kG2, kH2,
    kA3, kB3, kC3, kD3, kE3, kF3, kG3, kH3,
    kA4, kB4, kC4, kD4, kE4, kF4, kG4, kH4,
    kA5, kB5, kC5, kD5, kE5, kF5, kG5, kH5,
    kA6, kB6, kC6, kD6, kE6, kF6, kG6, kH6,
    kA7, kB7, kC7, kD7, kE7, kF7, kG7, kH7,
    kA8, kB8, kC8, kD8, kE8, kF8, kG8, kH8,
    kNoSquare,
};
// clang-format on

constexpr Square makeSquare(File f, Rank r) { return Square(r * 8 + f); }
constexpr File fileOf(Square s) { return File(s & 7); }
constexpr Rank rankOf(Square s) { return Rank(s >> 3); }
constexpr bool isSquare(int s) { return s >= 0 && s < 64; }
// a1 and a8 exchanged: the board turned top to bottom; also a square's place in a placement.
constexpr Square flipRank(Square s) { return Square(s ^ 56); }
// a1 and h1 exchanged: the board turned left to right.
constexpr Square flipFile(Square s) { return Square(s ^ 7); }
// The reflection in the long diagonal a1-h8: file and rank numbers exchanged (e1 goes to a5).
constexpr Square flipDiagonal(Square s) { return Square(((s & 7) << 3) | (s >> 3)); }
// A square's place in a placement text, which lists rank 8 first (a8 = 0, h1 = 63), and back.
constexpr std::size_t placementIndex(Square s) { return flipRank(s); }
constexpr Square squareAtPlacementIndex(std::size_t i) { return flipRank(Square(i)); }
// The rank as the given side sees it: rank 2 of black is rank 7.
constexpr Rank relativeRank(Color c, Rank r) { return c == Color::White ? r : Rank(7 - r); }
// The square one rank forward for the given side.
constexpr Square pawnPush(Color c, Square s) { return Square(c == Color::White ? s + 8 : s - 8); }
// Light squares: a1 is dark, b1 light.
constexpr bool isLightSquare(Square s) { return ((int(fileOf(s)) + int(rankOf(s))) & 1) != 0; }

constexpr char fileLetter(File f) { return char('a' + f); }
constexpr char rankDigit(Rank r) { return char('1' + r); }

// The square a two-character name "a1".."h8" stands for; nothing for any other text.
constexpr std::optional<Square> squareFromName(std::string_view name) {
    if (name.size() != 2 || name[0] < 'a' || name[0] > 'h' || name[1] < '1' || name[1] > '8') {
        return std::nullopt;
    }
    return makeSquare(File(name[0] - 'a'), Rank(name[1] - '1'));
}

// Castling rights as four bits.
enum CastlingRight : std::uint8_t {
    kNoCastling = 0,
    kWhiteShort = 1,
    kWhiteLong = 2,
    kBlackShort = 4,
    kBlackLong = 8,
    kAllCastling = 15,
};

}  // namespace vestrel
