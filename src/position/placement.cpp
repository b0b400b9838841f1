#include "position/placement.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vestrel {

namespace {

// What a byte adds to the scan's tally: the squares it covers in the low byte, a "/" one in the
// second byte, a piece one in the third and a pawn one in the fourth. A byte that may not
// stand in a placement adds 16 to the slashes, more than a board ever holds.
constexpr std::uint64_t kSlashUnit = std::uint64_t{1} << 8;
constexpr std::uint64_t kPieceUnit = std::uint64_t{1} << 16;
constexpr std::uint64_t kPawnUnit = std::uint64_t{1} << 24;
constexpr std::uint64_t kForeign = 16 * kSlashUnit;

constexpr std::array<std::uint32_t, 256> kByteTally = [] {
    std::array<std::uint32_t, 256> table{};
    table.fill(std::uint32_t(1 + kForeign));
    for (int d = 1; d <= 8; ++d) table[std::size_t('0' + d)] = std::uint32_t(d);
    table['/'] = std::uint32_t(kSlashUnit);
    for (char c : std::string_view("NBRQKnbrqk")) {
        table[std::size_t(std::uint8_t(c))] = std::uint32_t(1 + kPieceUnit);
    }
    table['P'] = table['p'] = std::uint32_t(1 + kPieceUnit + kPawnUnit);
    return table;
}();

std::uint32_t squaresOf(std::uint64_t tally) { return std::uint32_t(tally & 0xff); }
std::uint32_t slashesOf(std::uint64_t tally) { return std::uint32_t((tally >> 8) & 0xff); }
std::uint32_t piecesOf(std::uint64_t tally) { return std::uint32_t((tally >> 16) & 0xff); }

// Where each of the first seven "/" of a board stands: after 8, 16, ... 56 squares.
constexpr std::uint64_t kRankEnds = 0x0038302820181008ULL;
constexpr std::uint64_t kFirstSevenRanks = 0x00ffffffffffffffULL;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
static_assert(std::endian::native == std::endian::little, "bytes are read eight to a word");

// The index of the first space among eight bytes read as one little-endian word; 8 when
// there is none.
std::size_t firstSpace(std::uint64_t word) {
    const std::uint64_t x = word ^ (kOnes * ' ');
    const std::uint64_t zero = (x - kOnes) & ~x & (kOnes << 7);
    return zero == 0 ? 8 : std::size_t(__builtin_ctzll(zero) / 8);
}

}  // namespace

// The pieces are kept and the ranks measured with a store per byte, not a branch, and a
// tally of small counts in one word, so that positions of any make-up read equally fast.
// Eight bytes are read before each test for the space that ends the placement. A tally that
// can no longer be a board's (checked after every eight bytes, before a count could overflow
// its byte) ends the reading of the board.
void scanBoard(std::string_view text, BoardScan& scan) {
    const char* bytes = text.data();
    const std::size_t n = text.size();
    std::uint64_t tally = 0;
    // Slot r ends up holding the squares before the "/" that ends rank r.
    std::array<std::uint8_t, 8> rankEnds{};
    const auto step = [&](char c) {
        rankEnds[slashesOf(tally) & 7] = std::uint8_t(tally);
        scan.pieces[piecesOf(tally) & 63] = {c, std::uint8_t(tally)};
        tally += kByteTally[std::uint8_t(c)];
    };
    // Eight bytes at a time while they hold no space and the tally may still be a board's.
    std::size_t i = 0;
    bool lost = false;     // the tally can no longer be a board's
    std::size_t last = 8;  // bytes of the last eight read before the space, 8 when none
    while (n - i >= 8 && last == 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        last = firstSpace(word);
        if (last == 8) {
            for (std::size_t k = 0; k < 8; ++k) step(bytes[i + k]);
        } else {
            for (std::size_t k = 0; k < last; ++k) step(bytes[i + k]);
        }
        i += last;
        lost = squaresOf(tally) > 64 || slashesOf(tally) > 7;
        if (lost) break;
    }
    if (last == 8 && !lost) {  // fewer than eight bytes left, none of them seen
        for (; i < n && bytes[i] != ' '; ++i) step(bytes[i]);
        lost = squaresOf(tally) > 64 || slashesOf(tally) > 7;
    }
    if (lost) {
        const std::size_t space = text.find(' ', i);
        scan.length = space == std::string_view::npos ? n : space;
        scan.board = false;
        scan.pawns = hasPawn(text.substr(0, scan.length));
        scan.pieceCount = 0;
        return;
    }
    std::uint64_t ends;
    std::memcpy(&ends, rankEnds.data(), 8);
    scan.length = i;
    scan.board =
        squaresOf(tally) == 64 && slashesOf(tally) == 7 && (ends & kFirstSevenRanks) == kRankEnds;
    scan.pawns = (tally >> 24) != 0;
    scan.pieceCount = piecesOf(tally);
}

}  // namespace vestrel
