#pragma once
// Reading the placement field square by square: a digit 1 to 8 is a run of that many empty
// squares, "/" ends a rank, and any other byte stands on one square.

#include <array>
#include <cstdint>
#include <string_view>

namespace vestrel {

// One item of a placement, with the rank and file it starts on (both counted from 0, ranks in
// the order they are written).
struct PlacementItem {
    char letter = 0;
    int squares = 0;  // a run's length, 0 for "/", 1 for any other byte
    int rank = 0;
    int file = 0;
    bool isRun() const { return letter >= '1' && letter <= '8'; }
    bool isRankEnd() const { return letter == '/'; }
};

// Squares each byte covers: a digit 1 to 8 its value, "/" none, any other byte one.
inline constexpr std::array<std::uint8_t, 256> kItemSquares = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(1);
    for (int d = 1; d <= 8; ++d) table[std::size_t('0' + d)] = std::uint8_t(d);
    table['/'] = 0;
    return table;
}();

// Reads a placement item by item; after the last one, rank() and file() tell where it ended.
class PlacementScanner {
public:
    explicit PlacementScanner(std::string_view placement) : text_(placement) {}

    // The next item; false at the end of the text.
    bool next(PlacementItem& item) {
        if (at_ == text_.size()) return false;
        const char c = text_[at_++];
        const int squares = kItemSquares[static_cast<unsigned char>(c)];
        item = {c, squares, rank_, file_};
        const bool rankEnd = c == '/';
        rank_ += rankEnd;
        file_ = rankEnd ? 0 : file_ + squares;
        return true;
    }
    int rank() const { return rank_; }
    int file() const { return file_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int rank_ = 0;
    int file_ = 0;
};

// The piece kinds in the order BoardScan counts them, white letters.
inline constexpr std::string_view kPieceKinds = "PNBRQK";

// One byte per square, rank by rank from the one written first; "1" marks an empty square.
using SquareGrid = std::array<char, 64>;

// A piece and the square it stands on (rank by rank as written, file a first).
struct PieceOn {
    char letter;
    std::uint8_t square;
};

// What one pass over a placement finds, for the tests that need it as a board.
struct BoardScan {
    std::size_t length = 0;  // bytes of the placement: those before the first space
    bool board = false;      // exactly 8 ranks of 8 squares, of piece letters and digits 1 to 8
    bool pawns = false;      // a pawn of either colour anywhere in the placement
    // Meaningful only on a board:
    // The pieces in the order written, then scratch room for the scan.
    std::array<PieceOn, 72> pieces;
    std::size_t pieceCount = 0;
    // The pieces of each colour by kind, a byte each in the order of kPieceKinds.
    std::uint64_t whiteCounts = 0;
    std::uint64_t blackCounts = 0;
    bool pawnsOnEdge = false;  // a pawn on the first or the last rank
};

// The letter of the piece on a square of a scanned board, "1" when it is empty.
inline char pieceAt(const BoardScan& scan, std::size_t square) {
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        if (scan.pieces[i].square == square) return scan.pieces[i].letter;
    }
    return '1';
}

// Reads the placement at the start of `text`, up to its first space, as a board.
void scanBoard(std::string_view text, BoardScan& scan);

// Expands the placement into the grid; false unless it is exactly 8 ranks of 8 squares.
inline bool fillSquareGrid(std::string_view placement, SquareGrid& grid) {
    PlacementScanner scan(placement);
    PlacementItem item;
    while (scan.next(item)) {
        if (item.isRankEnd()) {
            if (item.file != 8 || item.rank == 7) return false;
            continue;
        }
        if (item.file + item.squares > 8) return false;
        const char cell = item.isRun() ? '1' : item.letter;
        for (int k = 0; k < item.squares; ++k) {
            grid[std::size_t(item.rank * 8 + item.file + k)] = cell;
        }
    }
    return scan.rank() == 7 && scan.file() == 8;
}

// A pawn of either colour anywhere in the text.
constexpr bool hasPawn(std::string_view text) {
    for (char c : text) {
        if (c == 'P' || c == 'p') return true;
    }
    return false;
}

}  // namespace vestrel
