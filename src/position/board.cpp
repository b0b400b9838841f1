#include "position/board.h"

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

constexpr int kLongSide = 0;
constexpr int kShortSide = 1;

// Border cells hold the off-board marker, playing squares are empty, no rights at all.
constexpr Board makeTemplate() {
    Board board{};
    for (int row = 0; row < 12; ++row) {
        for (int column = 0; column < 10; ++column) {
            const bool playing = row >= 2 && row <= 9 && column >= 1 && column <= 8;
            board.squares[std::size_t(10 * row + column)] = playing ? 0 : kOffBoard;
        }
    }
    return board;
}

constexpr Board kBoardTemplate = makeTemplate();

// What one placement byte does, packed into one word so the scan keeps it in a register:
// bits 0-7 the piece code as written plus 6 (6 for a run of empty squares), bits 8-15 the
// squares it fills (the digit's value, 1 for a piece), bits 16-23 its kind.
constexpr std::uint32_t kForeign = 0;
constexpr std::uint32_t kSquares = 1;
constexpr std::uint32_t kRankEnd = 2;

constexpr std::uint32_t packByte(int code, int width, std::uint32_t kind) {
    return std::uint32_t(code + 6) | (std::uint32_t(width) << 8) | (kind << 16);
}

constexpr std::array<std::uint32_t, 256> kPlacementBytes = [] {
    std::array<std::uint32_t, 256> table{};
    for (int d = 1; d <= 8; ++d) table[std::size_t('0' + d)] = packByte(0, d, kSquares);
    const std::string_view letters = "PNBRQK";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const int kind = int(i) + 1;
        table[std::size_t(letters[i])] = packByte(kind, 1, kSquares);
        table[std::size_t(toLowerAscii(letters[i]))] = packByte(-kind, 1, kSquares);
    }
    table['/'] = packByte(0, 0, kRankEnd);
    return table;
}();

constexpr std::size_t colourIndex(int colour) { return std::size_t(colour + 1); }

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

bool hasPawnLetter(std::string_view rank) {
    for (char c : rank) {
        if (toUpperAscii(c) == 'P') {
            return true;
        }
    }
    return false;
}

// Fills the board from the placement; false unless it is exactly 8 ranks of 8 squares.
// Empty squares are already empty in the template, so a digit only moves on.
bool placePieces(std::string_view placement, Board& board, std::array<PieceCounts, 2>& counts) {
    std::array<int, 13> byCode{};  // pieces counted by code + 6; the middle slot takes the runs
    int square = kA8;
    int file = 0;
    int ranks = 0;
    // The scan treats the end of the placement as one more "/".
    for (std::size_t i = 0; i <= placement.size(); ++i) {
        const char c = i < placement.size() ? placement[i] : '/';
        const std::uint32_t b = kPlacementBytes[static_cast<unsigned char>(c)];
        const std::uint32_t kind = b >> 16;
        if (kind == kSquares) {
            const int width = int((b >> 8) & 0xFF);
            const std::uint32_t slot = b & 0xFF;
            if (file + width > 8) {
                return false;
            }
            if (slot != 6) board.squares[std::size_t(square)] = std::int32_t(slot) - 6;
            ++byCode[slot];
            square += width;
            file += width;
        } else if (kind == kRankEnd) {
            if (file != 8) {
                return false;
            }
            square += 2;
            file = 0;
            if (++ranks == 8) {
                if (i != placement.size()) return false;
                for (int kind = 1; kind <= 6; ++kind) {
                    counts[1][std::size_t(kind)] = byCode[std::size_t(6 + kind)];
                    counts[0][std::size_t(kind)] = byCode[std::size_t(6 - kind)];
                    counts[1][0] += counts[1][std::size_t(kind)];
                    counts[0][0] += counts[0][std::size_t(kind)];
                }
                return true;
            }
        } else {
            return false;
        }
    }
    return false;
}

struct CastlingRight {
    char letter;
    int colour;
    int side;
    int kingSquare;
    int rookSquare;
};

constexpr std::array<CastlingRight, 4> kCastlingRights = {{
    {'K', kWhite, kShortSide, kE1, kH1},
    {'Q', kWhite, kLongSide, kE1, kA1},
    {'k', kBlack, kShortSide, kE8, kH8},
    {'q', kBlack, kLongSide, kE8, kA8},
}};

// Checks one castling letter against the board and records the right it grants.
bool applyCastlingLetter(char letter, Board& board) {
    if (letter == '-') {
        return true;
    }
    for (const CastlingRight& right : kCastlingRights) {
        if (right.letter != letter) {
            continue;
        }
        if (board.squares[std::size_t(right.kingSquare)] != right.colour * kKing ||
            board.squares[std::size_t(right.rookSquare)] != right.colour * kRook) {
            return false;
        }
        board.kingCastle[colourIndex(right.colour)] = true;
        board.rookCastle[std::size_t(right.side)][colourIndex(right.colour)] = true;
        return true;
    }
    return false;
}

// The en-passant square must lie behind a pawn of the side that just moved, with the square
// the pawn came from empty.
bool enPassantIsLegal(std::string_view field, int sideToMove, Board& board) {
    board.epSquare = 0;
    if (field.size() == 1) {
        return field[0] == '-';
    }
    if (field.size() != 2) {
        return false;
    }
    const char fileLetter = field[0];
    const char rankDigit = field[1];
    if (fileLetter < 'a' || fileLetter > 'h' || (rankDigit != '3' && rankDigit != '6')) {
        return false;
    }
    const int target = squareFromName(field);
    const auto at = [&board](int square) { return board.squares[std::size_t(square)]; };
    if (sideToMove == kBlack) {
        if (rankDigit != '3' || at(target) != 0 || at(target - 10) != kPawn ||
            at(target + 10) != 0) {
            return false;
        }
    } else {
        if (rankDigit != '6' || at(target) != 0 || at(target + 10) != -kPawn ||
            at(target - 10) != 0) {
            return false;
        }
    }
    board.epSquare = target;
    return true;
}

}  // namespace

int squareFromName(std::string_view name) {
    const int file = name[0] - 'a' + 1;
    const int rank = name[1] - '0';
    return 10 * (10 - rank) + file;
}

bool validatePosition(std::string_view position) {
    Board board = kBoardTemplate;

    const std::size_t placementEnd = position.find(' ');
    if (placementEnd == std::string_view::npos) {
        return false;
    }
    const std::string_view placement = position.substr(0, placementEnd);
    std::string_view remainder = position.substr(placementEnd + 1);

    std::array<PieceCounts, 2> counts{};  // [0] black, [1] white
    if (!placePieces(placement, board, counts)) {
        return false;
    }
    const PieceCounts& black = counts[0];
    const PieceCounts& white = counts[1];
    if (!countsAreLegal(black) || !countsAreLegal(white) || !promotionsAreLegal(black) ||
        !promotionsAreLegal(white)) {
        return false;
    }

    // A complete placement has at least one "/", so both edge ranks exist.
    if (hasPawnLetter(placement.substr(0, placement.find('/'))) ||
        hasPawnLetter(placement.substr(placement.rfind('/') + 1))) {
        return false;
    }

    if (remainder.empty() || (remainder[0] != 'w' && remainder[0] != 'b')) {
        return false;
    }
    const int sideToMove = remainder[0] == 'w' ? kWhite : kBlack;
    // The letter and the separator after it, whatever it is.
    remainder.remove_prefix(remainder.size() < 2 ? remainder.size() : 2);

    const std::size_t castlingEnd = remainder.find(' ');
    if (castlingEnd == std::string_view::npos || castlingEnd < 1 || castlingEnd > 4) {
        return false;
    }
    const std::string_view castling = remainder.substr(0, castlingEnd);
    remainder.remove_prefix(castlingEnd + 1);

    board.kingCastle = {};
    board.rookCastle = {};
    for (char letter : castling) {
        if (!applyCastlingLetter(letter, board)) {
            return false;
        }
    }

    return enPassantIsLegal(remainder.substr(0, remainder.find(' ')), sideToMove, board);
}

}  // namespace vestrel
