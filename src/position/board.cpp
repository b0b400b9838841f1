#include "position/board.h"

#include <array>
#include <cstdint>

#include "position/placement.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr std::int32_t kOffBoard = 7;
constexpr std::int32_t kPawn = 1;
constexpr std::int32_t kKnight = 2;
constexpr std::int32_t kBishop = 3;
constexpr std::int32_t kRook = 4;
constexpr std::int32_t kQueen = 5;
constexpr std::int32_t kKing = 6;

constexpr int kWhite = 1;
constexpr int kBlack = -1;

constexpr int kA8 = 21;
constexpr int kE8 = 25;
constexpr int kH8 = 28;
constexpr int kA1 = 91;
constexpr int kE1 = 95;
constexpr int kH1 = 98;

// The 10 x 12 mailbox: a piece code per square (white positive, black negative).
using Board = std::array<std::int32_t, 120>;

// Border cells hold the off-board marker, playing squares are empty.
constexpr Board makeTemplate() {
    Board board{};
    for (int row = 0; row < 12; ++row) {
        for (int column = 0; column < 10; ++column) {
            const bool playing = row >= 2 && row <= 9 && column >= 1 && column <= 8;
            board[std::size_t(10 * row + column)] = playing ? 0 : kOffBoard;
        }
    }
    return board;
}

constexpr Board kBoardTemplate = makeTemplate();

// The piece code of each letter, 0 for a byte that is no piece.
constexpr std::array<std::int8_t, 256> kPieceCodes = [] {
    std::array<std::int8_t, 256> table{};
    const std::string_view letters = "PNBRQK";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        table[std::size_t(letters[i])] = std::int8_t(i + 1);
        table[std::size_t(toLowerAscii(letters[i]))] = std::int8_t(-int(i) - 1);
    }
    return table;
}();

// Pieces of one colour, indexed by piece kind 1..6; slot 0 holds the colour's total.
using PieceCounts = std::array<int, 7>;

bool countsAreLegal(const PieceCounts& counts) {
    return counts[kKing] == 1 && counts[0] <= 16 && counts[kPawn] <= 8;
}

// Every piece beyond the initial set stands for a promoted pawn.
bool promotionsAreLegal(const PieceCounts& counts) {
    const int promoted = maxOf(counts[kQueen] - 1, 0) + maxOf(counts[kRook] - 2, 0) +
                         maxOf(counts[kBishop] - 2, 0) + maxOf(counts[kKnight] - 2, 0);
    return promoted + counts[kPawn] <= 8;
}

// Fills the board and counts the pieces ([0] black, [1] white); false unless the placement
// is exactly 8 ranks of 8 squares holding pieces and runs of empty squares.
bool placePieces(std::string_view placement, Board& board, std::array<PieceCounts, 2>& counts) {
    std::array<int, 13> byCode{};  // pieces counted by code + 6
    PlacementScanner scan(placement);
    for (PlacementItem item; scan.next(item);) {
        if (item.isRankEnd()) {
            if (item.file != 8 || item.rank == 7) return false;
            continue;
        }
        if (item.file + item.squares > 8) return false;
        if (item.isRun()) continue;
        const int code = kPieceCodes[static_cast<unsigned char>(item.letter)];
        if (code == 0) return false;
        board[std::size_t(kA8 + 10 * item.rank + item.file)] = code;
        ++byCode[std::size_t(code + 6)];
    }
    if (scan.rank() != 7 || scan.file() != 8) return false;
    for (std::size_t kind = 1; kind <= 6; ++kind) {
        counts[1][kind] = byCode[6 + kind];
        counts[0][kind] = byCode[6 - kind];
        counts[1][0] += counts[1][kind];
        counts[0][0] += counts[0][kind];
    }
    return true;
}

PositionRule checkPieces(std::string_view placement, Board& board) {
    std::array<PieceCounts, 2> counts{};
    if (!placePieces(placement, board, counts)) return PositionRule::Placement;
    if (!countsAreLegal(counts[0]) || !countsAreLegal(counts[1])) {
        return PositionRule::PieceCounts;
    }
    if (!promotionsAreLegal(counts[0]) || !promotionsAreLegal(counts[1])) {
        return PositionRule::Promotions;
    }
    // A complete placement has at least one "/", so both edge ranks exist.
    if (hasPawn(placement.substr(0, placement.find('/'))) ||
        hasPawn(placement.substr(placement.rfind('/') + 1))) {
        return PositionRule::PawnOnEdge;
    }
    return PositionRule::Legal;
}

struct CastlingRight {
    char letter;
    int colour;
    int kingSquare;
    int rookSquare;
};

constexpr std::array<CastlingRight, 4> kCastlingRights = {{
    {'K', kWhite, kE1, kH1},
    {'Q', kWhite, kE1, kA1},
    {'k', kBlack, kE8, kH8},
    {'q', kBlack, kE8, kA8},
}};

// One castling letter: "-", or a right whose king and rook stand on their home squares.
bool castlingLetterIsLegal(char letter, const Board& board) {
    if (letter == '-') return true;
    for (const CastlingRight& right : kCastlingRights) {
        if (right.letter == letter) {
            return board[std::size_t(right.kingSquare)] == right.colour * kKing &&
                   board[std::size_t(right.rookSquare)] == right.colour * kRook;
        }
    }
    return false;
}

// The en-passant square must lie behind a pawn of the side that just moved, with the square
// the pawn came from empty.
bool enPassantIsLegal(std::string_view field, int sideToMove, const Board& board) {
    if (field.size() == 1) return field[0] == '-';
    if (field.size() != 2) return false;
    const char fileLetter = field[0];
    const char rankDigit = field[1];
    if (fileLetter < 'a' || fileLetter > 'h' || (rankDigit != '3' && rankDigit != '6')) {
        return false;
    }
    // The pawn stands one rank beyond the square, seen from the side that moved it.
    const int target = squareFromName(field);
    const int forward = sideToMove == kBlack ? -10 : 10;
    const char expectedRank = sideToMove == kBlack ? '3' : '6';
    return rankDigit == expectedRank && board[std::size_t(target)] == 0 &&
           board[std::size_t(target + forward)] == -sideToMove * kPawn &&
           board[std::size_t(target - forward)] == 0;
}

// Side to move, castling and en passant, read from the text after the placement.
PositionRule checkFields(std::string_view remainder, const Board& board) {
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
        if (!castlingLetterIsLegal(letter, board)) return PositionRule::CastlingRight;
    }
    remainder.remove_prefix(castlingEnd + 1);
    if (!enPassantIsLegal(remainder.substr(0, remainder.find(' ')), sideToMove, board)) {
        return PositionRule::EnPassant;
    }
    return PositionRule::Legal;
}

}  // namespace

int squareFromName(std::string_view name) {
    const int file = name[0] - 'a' + 1;
    const int rank = name[1] - '0';
    return 10 * (10 - rank) + file;
}

PositionRule validatePosition(std::string_view position) {
    const std::size_t placementEnd = position.find(' ');
    if (placementEnd == std::string_view::npos) return PositionRule::Placement;
    Board board = kBoardTemplate;
    const PositionRule pieces = checkPieces(position.substr(0, placementEnd), board);
    if (pieces != PositionRule::Legal) return pieces;
    return checkFields(position.substr(placementEnd + 1), board);
}

}  // namespace vestrel
