#include "position/board.h"

#include <array>
#include <cstdint>

#include "position/placement.h"
#include "position/types.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr char kEmpty = '1';  // what pieceAt finds on an empty square

constexpr int kPawn = 1;
constexpr int kKnight = 2;
constexpr int kBishop = 3;
constexpr int kRook = 4;
constexpr int kQueen = 5;
constexpr int kKing = 6;

constexpr int kWhite = 1;
constexpr int kBlack = -1;

// Pieces counted in one word, a byte per letter: white "PNBRQK" in bytes 1 to 6, black
// "pnbrqk" in bytes 9 to 14. No count on a board passes 64.
__extension__ using LetterCounts = unsigned __int128;

constexpr std::array<LetterCounts, 256> kCountUnits = [] {
    std::array<LetterCounts, 256> table{};
    const std::string_view letters = "PNBRQK";
    for (std::size_t kind = 1; kind <= letters.size(); ++kind) {
        const char white = letters[kind - 1];
        table[std::size_t(white)] = LetterCounts{1} << (8 * kind);
        table[std::size_t(toLowerAscii(white))] = LetterCounts{1} << (8 * (8 + kind));
    }
    return table;
}();

// Pieces of one colour, indexed by piece kind 1..6; slot 0 holds the colour's total.
using PieceCounts = std::array<int, 7>;

PieceCounts countsOf(LetterCounts counts, int colour) {
    PieceCounts out{};
    const int first = colour == kWhite ? 0 : 8;
    for (int kind = 1; kind <= 6; ++kind) {
        out[std::size_t(kind)] = int(std::uint8_t(counts >> (8 * (first + kind))));
        out[0] += out[std::size_t(kind)];
    }
    return out;
}

bool countsAreLegal(const PieceCounts& counts) {
    return counts[kKing] == 1 && counts[0] <= 16 && counts[kPawn] <= 8;
}

// Every piece beyond the initial set stands for a promoted pawn.
bool promotionsAreLegal(const PieceCounts& counts) {
    const int promoted = maxOf(counts[kQueen] - 1, 0) + maxOf(counts[kRook] - 2, 0) +
                         maxOf(counts[kBishop] - 2, 0) + maxOf(counts[kKnight] - 2, 0);
    return promoted + counts[kPawn] <= 8;
}

// Without a branch per piece: whether a piece is a pawn cannot be foreseen.
bool pawnOnEdge(const BoardScan& scan) {
    bool found = false;
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        const PieceOn& piece = scan.pieces[i];
        const bool pawn = (piece.letter | 0x20) == 'p';
        // The first and the last rank as written: squares 0 to 7 and 56 to 63.
        const bool edge = ((piece.square + 8) & 63) < 16;
        found |= pawn & edge;
    }
    return found;
}

struct CastlingRight {
    char letter;
    char king;
    char rook;
    std::size_t kingSquare;
    std::size_t rookSquare;
};

constexpr std::array<CastlingRight, 4> kCastlingRights = {{
    {'K', 'K', 'R', placementIndex(kE1), placementIndex(kH1)},
    {'Q', 'K', 'R', placementIndex(kE1), placementIndex(kA1)},
    {'k', 'k', 'r', placementIndex(kE8), placementIndex(kH8)},
    {'q', 'k', 'r', placementIndex(kE8), placementIndex(kA8)},
}};

// One castling letter: "-", or a right whose king and rook stand on their home squares.
bool castlingLetterIsLegal(char letter, const BoardScan& scan) {
    if (letter == '-') return true;
    for (const CastlingRight& right : kCastlingRights) {
        if (right.letter == letter) {
            return pieceAt(scan, right.kingSquare) == right.king &&
                   pieceAt(scan, right.rookSquare) == right.rook;
        }
    }
    return false;
}

// The en-passant square must lie behind a pawn of the side that just moved, with the square
// the pawn came from empty.
bool enPassantIsLegal(std::string_view field, int sideToMove, const BoardScan& scan) {
    if (field.size() == 1) return field[0] == '-';
    if (field.size() != 2) return false;
    const char fileLetter = field[0];
    const char rankDigit = field[1];
    if (fileLetter < 'a' || fileLetter > 'h' || (rankDigit != '3' && rankDigit != '6')) {
        return false;
    }
    // The pawn stands one rank beyond the square, seen from the side that moved it.
    const char expectedRank = sideToMove == kBlack ? '3' : '6';
    const std::size_t target =
        placementIndex(makeSquare(File(fileLetter - 'a'), Rank(rankDigit - '1')));
    const std::size_t pawn = sideToMove == kBlack ? target - 8 : target + 8;
    const std::size_t from = sideToMove == kBlack ? target + 8 : target - 8;
    return rankDigit == expectedRank && pieceAt(scan, target) == kEmpty &&
           pieceAt(scan, pawn) == (sideToMove == kBlack ? 'P' : 'p') &&
           pieceAt(scan, from) == kEmpty;
}

// Side to move, castling and en passant, read from the text after the placement.
PositionRule checkFields(std::string_view remainder, const BoardScan& scan) {
    if (remainder.empty() || (remainder[0] != 'w' && remainder[0] != 'b')) {
        return PositionRule::SideToMove;
    }
    const int sideToMove = remainder[0] == 'w' ? kWhite : kBlack;
    // The letter and the separator after it, whatever it is.
    remainder.remove_prefix(remainder.size() < 2 ? remainder.size() : 2);

    const std::size_t castlingEnd = remainder.find(' ');
    if (castlingEnd == std::string_view::npos || castlingEnd < 1 || castlingEnd > 4) {
        return PositionRule::CastlingField;
    }
    for (char letter : remainder.substr(0, castlingEnd)) {
        if (!castlingLetterIsLegal(letter, scan)) return PositionRule::CastlingRight;
    }
    remainder.remove_prefix(castlingEnd + 1);
    if (!enPassantIsLegal(remainder.substr(0, remainder.find(' ')), sideToMove, scan)) {
        return PositionRule::EnPassant;
    }
    return PositionRule::Legal;
}

}  // namespace

PositionRule validatePosition(const BoardScan& scan, std::string_view position) {
    if (scan.length == position.size() || !scan.board) return PositionRule::Placement;
    LetterCounts letters = 0;
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        letters += kCountUnits[std::uint8_t(scan.pieces[i].letter)];
    }
    const PieceCounts white = countsOf(letters, kWhite);
    const PieceCounts black = countsOf(letters, kBlack);
    if (!countsAreLegal(black) || !countsAreLegal(white)) return PositionRule::PieceCounts;
    if (!promotionsAreLegal(black) || !promotionsAreLegal(white)) return PositionRule::Promotions;
    if (scan.pawns && pawnOnEdge(scan)) return PositionRule::PawnOnEdge;
    return checkFields(position.substr(scan.length + 1), scan);
}

PositionRule validatePosition(std::string_view position) {
    BoardScan scan;
    scanBoard(position, scan);
    return validatePosition(scan, position);
}

}  // namespace vestrel
