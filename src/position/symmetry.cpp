#include "position/symmetry.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "position/placement.h"
#include "position/types.h"
#include "text/text.h"

namespace vestrel {
namespace {

// Mixes a value into 64 well-spread bits.
constexpr std::uint64_t mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    v *= 0xc4ceb9fe1a85ec53ULL;
    return v ^ (v >> 33);
}

// Equal for equal texts. Hashing eight bytes at a time saved only 0.6% of the instructions of
// "bench.epd /xy" (bench/instructions.sh).
std::uint64_t textValue(std::string_view text) {
    std::uint64_t h = text.size();
    for (char c : text) h = (h ^ std::uint8_t(c)) * 0x100000001b3ULL;
    return mix(h ^ 0x9e3779b97f4a7c15ULL);
}

constexpr std::string_view kPieceLetters = "PNBRQKpnbrqk";

// A piece letter's place in kPieceLetters plus one; 0 for any other byte.
constexpr std::array<std::uint8_t, 256> kLetterIndex = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < kPieceLetters.size(); ++i) {
        table[std::size_t(std::uint8_t(kPieceLetters[i]))] = std::uint8_t(i + 1);
    }
    return table;
}();

constexpr std::size_t nearerEdge(std::size_t i) { return i < 7 - i ? i : 7 - i; }

// A piece's share of the signature, by letter and square, in the two ways the signature sees
// the board. Pawnless, all eight symmetries of the board keep a piece's distances from the
// nearer edges. With pawns the left-right image keeps the distance from the middle of the
// rank, and the top-bottom images exchange the colours, so a piece counts by its rank from
// its own side and its letter in capitals.
struct PieceShares {
    std::array<std::uint64_t, 13 * 64> pawnless{};
    std::array<std::uint64_t, 13 * 64> withPawns{};
};

constexpr std::uint64_t pieceValue(char letter, std::size_t near, std::size_t far) {
    return (std::uint64_t(std::uint8_t(letter)) << 32) | (std::uint64_t(near) << 8) | far;
}

constexpr PieceShares kShares = [] {
    PieceShares shares;
    for (std::size_t i = 0; i < kPieceLetters.size(); ++i) {
        const char letter = kPieceLetters[i];
        for (std::size_t rank = 0; rank < 8; ++rank) {
            for (std::size_t file = 0; file < 8; ++file) {
                const std::size_t at = (i + 1) * 64 + rank * 8 + file;
                const std::size_t a = nearerEdge(rank);
                const std::size_t b = nearerEdge(file);
                shares.pawnless[at] = mix(pieceValue(letter, a < b ? a : b, a < b ? b : a));
                const std::size_t toCentre = 2 * file > 7 ? 2 * file - 7 : 7 - 2 * file;
                const std::size_t ownRank = isLowerLetter(letter) ? 7 - rank : rank;
                shares.withPawns[at] = mix(pieceValue(toUpperAscii(letter), toCentre, ownRank));
            }
        }
    }
    return shares;
}();

// The rank r of a grid as one word, file a in the lowest byte.
std::uint64_t rowOf(const SquareGrid& grid, std::size_t r) {
    std::uint64_t row;
    std::memcpy(&row, grid.data() + r * 8, 8);
    return row;
}

// True when every square holds what its image under the board symmetry holds.
template <typename Map>
bool gridInvariant(const SquareGrid& g, Map map) {
    for (std::size_t i = 0; i < 64; ++i) {
        if (g[i] != g[placementIndex(map(squareAtPlacementIndex(i)))]) return false;
    }
    return true;
}

bool isPalindrome(std::string_view text) {
    for (std::size_t i = 0, j = text.size(); i + 1 < j; ++i, --j) {
        if (text[i] != text[j - 1]) return false;
    }
    return true;
}

// The eight rank texts of a board placement, which has exactly seven "/".
std::array<std::string_view, 8> ranksOf(std::string_view placement) {
    std::array<std::string_view, 8> ranks;
    for (std::size_t r = 0; r < 7; ++r) {
        const std::size_t slash = placement.find('/');
        ranks[r] = placement.substr(0, slash);
        placement.remove_prefix(slash + 1);
    }
    ranks[7] = placement;
    return ranks;
}

bool hasAdjacentRuns(std::string_view placement) {
    bool lastWasRun = false;
    for (char c : placement) {
        const bool run = c >= '1' && c <= '8';
        if (lastWasRun && run) return true;
        lastWasRun = run;
    }
    return false;
}

// The first image, in look-up order, whose text is the key's own. An image's text can equal
// the key's only when its grid does, so the grid rules out most images at a glance; the
// text decides the rest. Texts alone take 6.9% more instructions on "bench.epd /xy"
// (bench/instructions.sh).
BoardImage selfImageOf(std::string_view placement, const SquareGrid& grid, bool pawns) {
    bool gridX = true;
    bool gridY = !pawns;  // with pawns the top-bottom images hand the move over
    bool gridXY = !pawns;
    for (std::size_t r = 0; r < 8; ++r) {
        const std::uint64_t row = rowOf(grid, r);
        const std::uint64_t opposite = rowOf(grid, 7 - r);
        gridX = gridX && __builtin_bswap64(row) == row;
        gridY = gridY && opposite == row;
        gridXY = gridXY && __builtin_bswap64(opposite) == row;
    }
    if (gridX || gridY) {
        const std::array<std::string_view, 8> ranks = ranksOf(placement);
        bool x = gridX;
        for (std::size_t r = 0; r < 8 && x; ++r) x = isPalindrome(ranks[r]);
        if (x) return BoardImage::X;
        bool y = gridY;
        for (std::size_t r = 0; r < 4 && y; ++r) y = ranks[r] == ranks[7 - r];
        if (y) return BoardImage::Y;
    }
    if (gridXY && isPalindrome(placement)) return BoardImage::XY;
    if (pawns) return BoardImage::None;
    // The reflection in the diagonal is written with the fewest digits, so its text can equal
    // the key's only when the key's is too, and then the grids decide. The reflection turned
    // left to right or top to bottom is a quarter turn, and a board that one quarter turn
    // keeps the other keeps too.
    BoardImage image = BoardImage::None;
    if (gridInvariant(grid, [](Square s) { return flipDiagonal(s); })) {
        image = BoardImage::D;
    } else if (gridInvariant(grid, [](Square s) { return flipFile(flipDiagonal(s)); })) {
        image = BoardImage::DX;
    } else if (gridInvariant(grid, [](Square s) { return flipRank(flipDiagonal(s)); })) {
        image = BoardImage::DY;
    } else if (gridInvariant(grid, [](Square s) { return flipRank(flipFile(flipDiagonal(s))); })) {
        image = BoardImage::DXY;
    }
    return image != BoardImage::None && hasAdjacentRuns(placement) ? BoardImage::None : image;
}

}  // namespace

KeySymmetry analyseSymmetry(const BoardScan& scan, std::string_view key) {
    KeySymmetry result;
    std::string_view rest = key.substr(scan.length);
    if (!scan.board || rest.empty()) return result;
    rest.remove_prefix(1);
    cutField(rest);  // the side to move
    if (rest.substr(0, 3) != "- -" || (rest.size() > 3 && rest[3] != ' ')) return result;
    result.imagesShareSignature = true;
    const std::array<std::uint64_t, 13 * 64>& shares =
        scan.pawns ? kShares.withPawns : kShares.pawnless;
    std::uint64_t sum = scan.pawns ? 2 : 1;
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        const PieceOn& piece = scan.pieces[i];
        sum += shares[std::size_t(kLetterIndex[std::uint8_t(piece.letter)]) * 64 + piece.square];
    }
    result.signature = static_cast<std::uint32_t>(mix(sum) ^ textValue(rest));
    result.self = selfImageOf(key.substr(0, scan.length), scan.grid, scan.pawns);
    return result;
}

KeySymmetry analyseSymmetry(std::string_view key) {
    BoardScan scan;
    scanBoard(key, scan);
    return analyseSymmetry(scan, key);
}

}  // namespace vestrel
