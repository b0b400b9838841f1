#include "position/placement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vestrel {

namespace {

// What a byte adds to each count of the scan: squares, slashes, pieces, pawns and the letter
// counts of each colour. A byte that may not stand in a placement adds 16 slashes, more than a
// board ever holds. One table per count, of full words: each count then takes one instruction
// a byte.
struct ByteCounts {
    std::array<std::size_t, 256> squares{};
    std::array<std::size_t, 256> slashes{};
    std::array<std::size_t, 256> pieces{};
    std::array<std::size_t, 256> pawns{};
    std::array<std::uint64_t, 256> white{};
    std::array<std::uint64_t, 256> black{};
};

constexpr std::size_t kForeignSlashes = 16;

constexpr ByteCounts kByteCounts = [] {
    ByteCounts counts;
    counts.squares.fill(1);
    counts.slashes.fill(kForeignSlashes);
    for (int d = 1; d <= 8; ++d) {
        counts.squares[std::size_t('0' + d)] = std::size_t(d);
        counts.slashes[std::size_t('0' + d)] = 0;
    }
    counts.squares['/'] = 0;
    counts.slashes['/'] = 1;
    for (char c : std::string_view("PNBRQKpnbrqk")) {
        counts.slashes[std::size_t(std::uint8_t(c))] = 0;
        counts.pieces[std::size_t(std::uint8_t(c))] = 1;
    }
    counts.pawns['P'] = counts.pawns['p'] = 1;
    for (std::size_t kind = 0; kind < kPieceKinds.size(); ++kind) {
        const char letter = kPieceKinds[kind];
        counts.white[std::size_t(std::uint8_t(letter))] = std::uint64_t{1} << (8 * kind);
        counts.black[std::size_t(std::uint8_t(letter | 0x20))] = std::uint64_t{1} << (8 * kind);
    }
    return counts;
}();

// Where each of the first seven "/" of a board stands: after 8, 16, ... 56 squares.
constexpr std::uint64_t kRankEnds = 0x0038302820181008ULL;
constexpr std::uint64_t kFirstSevenRanks = 0x00ffffffffffffffULL;

static_assert(std::endian::native == std::endian::little, "rank ends are read as one word");

}  // namespace

// The pieces are kept and the ranks measured with a store per byte, not a branch, so that
// positions of any make-up read equally fast. The space that ends the placement is found
// first; after every eight bytes the counts are tested, and when they can no longer be a
// board's the reading of the board ends, before an index could pass the scratch room.
void scanBoard(std::string_view text, BoardScan& scan) {
    const char* bytes = text.data();
    const std::size_t n = text.size();
    std::size_t squares = 0;
    std::size_t slashes = 0;
    std::size_t pieces = 0;
    std::size_t pawns = 0;
    // Slot r ends up holding the squares before the "/" that ends rank r. While a board is
    // possible, eight bytes take the slashes at most from 7 to 7 + 8 * 16.
    std::array<std::uint8_t, 8 + 8 * kForeignSlashes> rankEnds;
    std::memset(rankEnds.data(), 0, 8);
    // The same for the pawns up to the end of each rank.
    std::array<std::uint8_t, 8 + 8 * kForeignSlashes> rankPawns;
    std::memset(rankPawns.data(), 0, 8);
    std::uint64_t white = 0;
    std::uint64_t black = 0;
    const auto step = [&](char c) {
        const auto byte = std::uint8_t(c);
        rankEnds[slashes] = std::uint8_t(squares);
        rankPawns[slashes] = std::uint8_t(pawns);
        scan.pieces[pieces] = {c, std::uint8_t(squares)};
        squares += kByteCounts.squares[byte];
        slashes += kByteCounts.slashes[byte];
        pieces += kByteCounts.pieces[byte];
        pawns += kByteCounts.pawns[byte];
        white += kByteCounts.white[byte];
        black += kByteCounts.black[byte];
    };
    const auto boardPossible = [&] { return squares <= 64 && slashes <= 7; };
    const std::size_t length = std::min(text.find(' '), n);
    std::size_t i = 0;
    bool lost = false;  // the counts can no longer be a board's
    for (; i + 8 <= length; i += 8) {
        for (std::size_t k = 0; k < 8; ++k) step(bytes[i + k]);
        lost = !boardPossible();
        if (lost) break;
    }
    if (!lost) {
        for (; i < length; ++i) step(bytes[i]);
        lost = !boardPossible();
    }
    scan.length = length;
    if (lost) {
        scan.board = false;
        scan.pawns = hasPawn(text.substr(0, scan.length));
        scan.pieceCount = 0;
        return;
    }
    std::uint64_t ends;
    std::memcpy(&ends, rankEnds.data(), 8);
    scan.board = squares == 64 && slashes == 7 && (ends & kFirstSevenRanks) == kRankEnds;
    scan.pawns = pawns != 0;
    scan.pieceCount = pieces;
    scan.whiteCounts = white;
    scan.blackCounts = black;
    // Pawns on the first rank as written, or after the end of the seventh.
    scan.pawnsOnEdge = rankPawns[0] != 0 || pawns != rankPawns[6];
}

}  // namespace vestrel
