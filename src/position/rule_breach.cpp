#include "position/rule_breach.h"

#include <array>

#include "position/placement.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr int kWhite = 1;
constexpr int kBlack = -1;

constexpr int colourOf(char letter) { return isUpperLetter(letter) ? kWhite : kBlack; }

std::uint64_t bit(int square) { return std::uint64_t{1} << square; }

// The squares of the grid whose letter passes the test.
template <typename Test>
std::uint64_t squaresWhere(const SquareGrid& grid, Test test) {
    std::uint64_t squares = 0;
    for (int square = 0; square < 64; ++square) {
        if (grid[std::size_t(square)] != '1' && test(grid[std::size_t(square)])) {
            squares |= bit(square);
        }
    }
    return squares;
}

// Pieces of one side on the grid, by upper-case letter.
struct SideCounts {
    int total = 0;
    std::array<int, 128> of{};
    int operator[](char upper) const { return of[std::size_t(upper)]; }
};

SideCounts countSide(const SquareGrid& grid, int side) {
    SideCounts counts;
    for (char cell : grid) {
        if (cell == '1' || colourOf(cell) != side) continue;
        ++counts.total;
        ++counts.of[std::size_t(toUpperAscii(cell))];
    }
    return counts;
}

// How many pieces of a kind the initial set holds beyond which each one is a promoted pawn.
int initialCount(char upper) {
    switch (upper) {
        case 'Q':
            return 1;
        case 'R':
        case 'B':
        case 'N':
            return 2;
        default:
            return 8;
    }
}

int promotedPieces(const SideCounts& counts) {
    int promoted = 0;
    for (char upper : {'Q', 'R', 'B', 'N'})
        promoted += maxOf(counts[upper] - initialCount(upper), 0);
    return promoted;
}

bool ownPiece(char cell, int side, char upper) {
    return colourOf(cell) == side && toUpperAscii(cell) == upper;
}

// The first count rule a side breaks, in the order the test checks them.
bool explainCounts(const SquareGrid& grid, int side, RuleBreach& out) {
    const SideCounts counts = countSide(grid, side);
    out.side = side;
    if (counts['K'] != 1) {
        out.breach = Breach::KingCount;
        out.count = counts['K'];
        out.squares = squaresWhere(grid, [side](char c) { return ownPiece(c, side, 'K'); });
    } else if (counts.total > 16) {
        out.breach = Breach::PieceTotal;
        out.count = counts.total;
        out.squares = squaresWhere(grid, [side](char c) { return colourOf(c) == side; });
    } else if (counts['P'] > 8) {
        out.breach = Breach::PawnTotal;
        out.count = counts['P'];
        out.squares = squaresWhere(grid, [side](char c) { return ownPiece(c, side, 'P'); });
    } else {
        return false;
    }
    return true;
}

// Pawns and the pieces of every kind the side has more of than the initial set.
bool explainPromotions(const SquareGrid& grid, int side, RuleBreach& out) {
    const SideCounts counts = countSide(grid, side);
    const int promoted = promotedPieces(counts);
    if (promoted + counts['P'] <= 8) return false;
    out.breach = Breach::PromotedPieces;
    out.side = side;
    out.count = promoted + counts['P'];
    out.squares = squaresWhere(grid, [&counts, side](char c) {
        const char upper = toUpperAscii(c);
        return colourOf(c) == side && (upper == 'P' || counts[upper] > initialCount(upper));
    });
    return true;
}

struct HomeSquares {
    char letter;
    char king;
    char rook;
    int kingSquare;
    int rookSquare;
};

constexpr std::array<HomeSquares, 4> kHomes = {{
    {'K', 'K', 'R', gridSquare(4, 1), gridSquare(7, 1)},
    {'Q', 'K', 'R', gridSquare(4, 1), gridSquare(0, 1)},
    {'k', 'k', 'r', gridSquare(4, 8), gridSquare(7, 8)},
    {'q', 'k', 'r', gridSquare(4, 8), gridSquare(0, 8)},
}};

// The first castling letter that fails, with the home squares that lack their piece.
void explainCastling(std::string_view field, const SquareGrid& grid, RuleBreach& out) {
    for (char letter : field) {
        if (letter == '-') continue;
        out.letter = letter;
        const HomeSquares* home = nullptr;
        for (const HomeSquares& h : kHomes) {
            if (h.letter == letter) home = &h;
        }
        if (home == nullptr) {
            out.breach = Breach::CastlingLetter;
            return;
        }
        const bool kingHome = grid[std::size_t(home->kingSquare)] == home->king;
        const bool rookHome = grid[std::size_t(home->rookSquare)] == home->rook;
        if (kingHome && rookHome) continue;
        out.breach = Breach::CastlingPieces;
        out.side = colourOf(letter);
        out.squares =
            (kingHome ? 0 : bit(home->kingSquare)) | (rookHome ? 0 : bit(home->rookSquare));
        return;
    }
}

// The squares of an en-passant field that fail: the square itself when it is taken or lies on
// the wrong rank for the side to move, the pawn's square, and the square the pawn came from.
void explainEnPassant(std::string_view field, int sideToMove, const SquareGrid& grid,
                      RuleBreach& out) {
    const bool shaped = field.size() == 2 && field[0] >= 'a' && field[0] <= 'h' &&
                        (field[1] == '3' || field[1] == '6');
    if (!shaped) {
        out.breach = Breach::EnPassantSquare;
        return;
    }
    out.breach = Breach::EnPassantBoard;
    const int file = field[0] - 'a';
    const int rank = field[1] - '0';
    const int target = gridSquare(file, rank);
    const int expectedRank = sideToMove == kBlack ? 3 : 6;
    if (rank != expectedRank || grid[std::size_t(target)] != '1') out.squares |= bit(target);
    if (rank != expectedRank) return;
    // The pawn stands one rank beyond the square, seen from the side that moved it.
    const int pawn = sideToMove == kBlack ? target - 8 : target + 8;
    const int from = sideToMove == kBlack ? target + 8 : target - 8;
    if (grid[std::size_t(pawn)] != (sideToMove == kBlack ? 'P' : 'p')) out.squares |= bit(pawn);
    if (grid[std::size_t(from)] != '1') out.squares |= bit(from);
}

void explainFields(std::string_view remainder, const SquareGrid& grid, RuleBreach& out) {
    if (out.rule == PositionRule::SideToMove) {
        out.breach = Breach::SideToMove;
        return;
    }
    const int sideToMove = remainder[0] == 'w' ? kWhite : kBlack;
    remainder.remove_prefix(remainder.size() < 2 ? remainder.size() : 2);
    if (out.rule == PositionRule::CastlingField) {
        out.breach = Breach::CastlingField;
        return;
    }
    const std::size_t castlingEnd = remainder.find(' ');
    if (out.rule == PositionRule::CastlingRight) {
        explainCastling(remainder.substr(0, castlingEnd), grid, out);
        return;
    }
    remainder.remove_prefix(castlingEnd + 1);
    explainEnPassant(remainder.substr(0, remainder.find(' ')), sideToMove, grid, out);
}

}  // namespace

RuleBreach explainPosition(std::string_view position) {
    RuleBreach out;
    out.rule = validatePosition(position);
    if (out.rule == PositionRule::Legal) return out;
    const std::size_t space = position.find(' ');
    SquareGrid grid;
    if (out.rule == PositionRule::Placement || space == std::string_view::npos ||
        !fillSquareGrid(position.substr(0, space), grid)) {
        out.breach = Breach::NotABoard;
        return out;
    }
    switch (out.rule) {
        case PositionRule::PieceCounts:
            if (!explainCounts(grid, kBlack, out)) explainCounts(grid, kWhite, out);
            break;
        case PositionRule::Promotions:
            if (!explainPromotions(grid, kBlack, out)) explainPromotions(grid, kWhite, out);
            break;
        case PositionRule::PawnOnEdge:
            out.breach = Breach::PawnOnEdge;
            out.squares = squaresWhere(grid, [](char c) { return c == 'P' || c == 'p'; }) &
                          (0xFFULL | 0xFFULL << 56);
            break;
        default:
            explainFields(position.substr(space + 1), grid, out);
            break;
    }
    return out;
}

}  // namespace vestrel
