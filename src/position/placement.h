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
    SquareGrid grid;                 // each square's letter, "1" for an empty one
    std::array<PieceOn, 65> pieces;  // the pieces in the order written; the last is scratch
    std::size_t pieceCount = 0;
};

namespace board_scan {

// A byte's class: the squares it covers in the low four bits, then flags.
constexpr unsigned kSlash = 0x10;
constexpr unsigned kPiece = 0x20;
constexpr unsigned kPawn = 0x40;
constexpr unsigned kForeign = 0x80;  // no piece letter, digit 1 to 8 or "/"

inline constexpr std::array<std::uint8_t, 256> kByteClass = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(1 | kForeign);
    for (int d = 1; d <= 8; ++d) table[std::size_t('0' + d)] = std::uint8_t(d);
    table['/'] = kSlash;
    for (char c : std::string_view("NBRQKnbrqk")) table[std::size_t(std::uint8_t(c))] = 1 | kPiece;
    table['P'] = table['p'] = 1 | kPiece | kPawn;
    return table;
}();

// What a byte puts on the square its item starts on: a piece its letter, a run an empty
// square, and so does a "/", whose square the next item overwrites.
inline constexpr std::array<char, 256> kGridCell = [] {
    std::array<char, 256> table{};
    table.fill('1');
    for (char c : std::string_view("PNBRQKpnbrqk")) table[std::size_t(std::uint8_t(c))] = c;
    return table;
}();

// The squares right after each of the first seven ranks: where the seven "/" of a board stand.
constexpr std::uint64_t kRankEnds = 0x0101010101010100ULL;

}  // namespace board_scan

// Reads the placement at the start of `text`, up to its first space, as a board. Every byte
// costs the same few steps and no branch depends on it, so positions of any make-up read
// equally fast. Where the placement is no board, squares wrap around and mean nothing.
inline void scanBoard(std::string_view text, BoardScan& scan) {
    using namespace board_scan;
    const char* bytes = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::size_t square = 0;
    std::size_t slashes = 0;
    std::size_t pieces = 0;
    std::uint64_t slashSquares = 0;
    unsigned seen = 0;
    scan.grid.fill('1');  // a run marks only its first square
    for (; i < n && bytes[i] != ' '; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const unsigned kind = kByteClass[c];
        const unsigned slash = (kind & kSlash) != 0;
        const std::size_t at = square & 63;
        scan.grid[at] = kGridCell[c];
        scan.pieces[pieces < 64 ? pieces : 64] = {char(c), std::uint8_t(at)};
        pieces += (kind & kPiece) != 0;
        slashSquares |= std::uint64_t(slash) << at;
        slashes += slash;
        square += kind & 15;
        seen |= kind;
    }
    scan.length = i;
    // Seven "/" on seven different squares, each right after a rank, and 64 squares in all.
    scan.board =
        slashes == 7 && slashSquares == kRankEnds && square == 64 && (seen & kForeign) == 0;
    scan.pawns = (seen & kPawn) != 0;
    scan.pieceCount = pieces;
}

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
