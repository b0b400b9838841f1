#include "position/board.h"

#include <array>
#include <cstdint>

#include "position/placement.h"
#include "position/types.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr char kEmpty = '1';  // what pieceAt finds on an empty square

// The bytes of the piece kinds in BoardScan's counts, as in kPieceKinds.
constexpr int kPawn = 0;
constexpr int kKnight = 1;
constexpr int kBishop = 2;
constexpr int kRook = 3;
constexpr int kQueen = 4;
constexpr int kKing = 5;

constexpr int kWhite = 1;
constexpr int kBlack = -1;

// A count of BoardScan's counts of one colour.
constexpr int countOf(std::uint64_t half, int kind) {
    return int(std::uint8_t(half >> (8 * kind)));
}

bool countsAreLegal(std::uint64_t half) {
    // The bytes summed in the top byte of the product: no count on a board passes 64.
    const int total = int((half * 0x0101010101010101ULL) >> 56);
    return countOf(half, kKing) == 1 && total <= 16 && countOf(half, kPawn) <= 8;
}

// Every piece beyond the initial set stands for a promoted pawn.
bool promotionsAreLegal(std::uint64_t half) {
    const int promoted = maxOf(countOf(half, kQueen) - 1, 0) + maxOf(countOf(half, kRook) - 2, 0) +
                         maxOf(countOf(half, kBishop) - 2, 0) +
                         maxOf(countOf(half, kKnight) - 2, 0);
    return promoted + countOf(half, kPawn) <= 8;
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

// Where the field at the start of the text ends: its first space, or the end of the text. The
// castling and en-passant fields are a few bytes: a byte loop costs less than a library search.
std::size_t shortFieldEnd(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != ' ') ++end;
    return end;
}

// Side to move, castling and en passant, read from the text after the placement.
PositionRule checkFields(std::string_view remainder, const BoardScan& scan) {
    if (remainder.empty() || (remainder[0] != 'w' && remainder[0] != 'b')) {
        return PositionRule::SideToMove;
    }
    // Most positions have neither castling rights nor an en-passant square: "w - -".
    if (remainder.size() >= 5 && remainder.substr(2, 3) == "- -" &&
        (remainder.size() == 5 || remainder[5] == ' ')) {
        return PositionRule::Legal;
    }
    const int sideToMove = remainder[0] == 'w' ? kWhite : kBlack;
    // The letter and the separator after it, whatever it is.
    remainder.remove_prefix(remainder.size() < 2 ? remainder.size() : 2);

    const std::size_t castlingEnd = shortFieldEnd(remainder);
    if (castlingEnd == remainder.size() || castlingEnd < 1 || castlingEnd > 4) {
        return PositionRule::CastlingField;
    }
    for (char letter : remainder.substr(0, castlingEnd)) {
        if (!castlingLetterIsLegal(letter, scan)) return PositionRule::CastlingRight;
    }
    remainder.remove_prefix(castlingEnd + 1);
    if (!enPassantIsLegal(remainder.substr(0, shortFieldEnd(remainder)), sideToMove, scan)) {
        return PositionRule::EnPassant;
    }
    return PositionRule::Legal;
}

}  // namespace

PositionRule validatePosition(const BoardScan& scan, std::string_view position) {
    if (scan.length == position.size() || !scan.board) return PositionRule::Placement;
    const std::uint64_t white = scan.whiteCounts;
    const std::uint64_t black = scan.blackCounts;
    if (!countsAreLegal(black) || !countsAreLegal(white)) return PositionRule::PieceCounts;
    if (!promotionsAreLegal(black) || !promotionsAreLegal(white)) return PositionRule::Promotions;
    if (scan.pawnsOnEdge) return PositionRule::PawnOnEdge;
    return checkFields(position.substr(scan.length + 1), scan);
}

PositionRule validatePosition(std::string_view position) {
    BoardScan scan;
    scanBoard(position, scan);
    return validatePosition(scan, position);
}

}  // namespace vestrel
