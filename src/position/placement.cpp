#include "position/placement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/bytes16.h"

namespace vestrel {

namespace {

// What a byte adds to each count of the scan: squares, slashes, pieces and the letter counts
// of each colour. A byte that may not stand in a placement adds 16 slashes, more than a
// board ever holds. One table per count, of full words: each count then takes one instruction
// a byte.
struct ByteCounts {
    std::array<std::size_t, 256> squares{};
    std::array<std::size_t, 256> slashes{};
    std::array<std::size_t, 256> pieces{};
    // The white counts, then the black: one 16-byte add a byte takes both.
    std::array<std::array<std::uint64_t, 2>, 256> colours{};
};

// Two words as one value of the compiler's vector extension: one SSE2 add on x86-64.
using WordPair = std::uint64_t __attribute__((vector_size(16)));

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
    for (std::size_t kind = 0; kind < kPieceKinds.size(); ++kind) {
        const char letter = kPieceKinds[kind];
        counts.colours[std::size_t(std::uint8_t(letter))][0] = std::uint64_t{1} << (8 * kind);
        counts.colours[std::size_t(std::uint8_t(letter | 0x20))][1] = std::uint64_t{1}
                                                                      << (8 * kind);
    }
    return counts;
}();

// Where each of the first seven "/" of a board stands: after 8, 16, ... 56 squares.
constexpr std::uint64_t kRankEnds = 0x0038302820181008ULL;
constexpr std::uint64_t kFirstSevenRanks = 0x00ffffffffffffffULL;

static_assert(std::endian::native == std::endian::little, "rank ends are read as one word");

// scanBoard byte by byte with the pawns of each rank counted, for the placements that are no
// board but could be: their pawnsOnEdge, measured as the ranks run however long they are,
// comes out as it always did.
void scanNearBoard(std::string_view placement, BoardScan& scan) {
    std::size_t slashes = 0;
    std::size_t pawns = 0;
    std::array<std::size_t, 8> rankPawns{};  // the pawns up to the end of rank r
    for (const char c : placement) {
        rankPawns[slashes] = pawns;  // at most 7 slashes: the placement could be a board
        slashes += c == '/';
        pawns += (c | 0x20) == 'p';
    }
    scan.pawnsOnEdge = rankPawns[0] != 0 || pawns != rankPawns[6];
}

// A pawn on the first or the last eight squares of a board. Its pieces stand in the order of
// their squares, so those are among the first eight pieces and the last eight: two loads of
// eight pieces (inside the 72 places), their letters and the squares one byte on compared.
bool pawnOnEdge(const BoardScan& scan) {
    const std::size_t count = scan.pieceCount;
    const Bytes16 inList = leadingMarks(2 * std::min<std::size_t>(count, 8));
    const auto pawnsWhere = [](Bytes16 pieces, unsigned char low) {
        const Bytes16 squares = shiftDown<1>(pieces);  // each letter's square on it
        return Bytes16((pieces | 0x20) == 'p') & markRange(squares, low, 8);
    };
    const Bytes16 first = load16(reinterpret_cast<const char*>(scan.pieces.data()));
    const Bytes16 last =
        load16(reinterpret_cast<const char*>(scan.pieces.data() + (count < 8 ? 0 : count - 8)));
    return markBits((pawnsWhere(first, 0) | pawnsWhere(last, 56)) & inList) != 0;
}

}  // namespace

// The pieces are kept and the ranks measured with a store per byte, not a branch, so that
// positions of any make-up read equally fast. The space that ends the placement is found
// first; after every eight bytes the counts are tested, and when they can no longer be a
// board's the reading of the board ends, before an index could pass the scratch room. The
// pawns on the first and the last rank are looked for among the pieces afterwards, not
// counted rank by rank: a store and a count a byte fewer.
void scanBoard(std::string_view text, BoardScan& scan) {
    const char* bytes = text.data();
    const std::size_t n = text.size();
    std::size_t squares = 0;
    std::size_t slashes = 0;
    std::size_t pieces = 0;
    // Slot r ends up holding the squares before the "/" that ends rank r. While a board is
    // possible, eight bytes take the slashes at most from 7 to 7 + 8 * 16.
    std::array<std::uint8_t, 8 + 8 * kForeignSlashes> rankEnds;
    std::memset(rankEnds.data(), 0, 8);
    WordPair colours = {};
    const auto step = [&](char c) {
        const auto byte = std::uint8_t(c);
        rankEnds[slashes] = std::uint8_t(squares);
        scan.pieces[pieces] = {c, std::uint8_t(squares)};
        squares += kByteCounts.squares[byte];
        slashes += kByteCounts.slashes[byte];
        pieces += kByteCounts.pieces[byte];
        WordPair add;
        std::memcpy(&add, kByteCounts.colours[byte].data(), sizeof add);
        colours += add;
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
    const std::uint64_t white = colours[0];
    const std::uint64_t black = colours[1];
    scan.pawns = std::uint8_t(white) + std::uint8_t(black) != 0;
    scan.pieceCount = pieces;
    scan.whiteCounts = white;
    scan.blackCounts = black;
    if (scan.board) {
        scan.pawnsOnEdge = pawnOnEdge(scan);
    } else {
        scanNearBoard(text.substr(0, length), scan);
    }
}

}  // namespace vestrel
