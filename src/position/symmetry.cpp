#include "position/symmetry.h"

#include <array>
#include <cstddef>

#include "position/placement.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr std::size_t kMaxPieces = 64;

// One piece of the first eight ranks of a placement.
struct Piece {
    char letter;
    std::uint8_t rank;
    std::uint8_t file;
};

// What the analysis needs of a key, read in one pass over its placement.
struct KeyParts {
    std::string_view placement;
    std::array<std::string_view, 8> ranks{};  // the first eight rank texts; missing ones empty
    std::array<std::size_t, 8> widths{};      // squares of each of those ranks
    std::size_t slashes = 0;
    std::array<Piece, kMaxPieces> pieces;  // in the order written
    std::size_t pieceCount = 0;            // beyond kMaxPieces the key gets no signature
    bool adjacentRuns = false;             // two digits side by side: not written shortest
    std::string_view afterSide;            // the castling field and everything after it
    std::string_view castling;
    std::string_view enPassant;
    bool pawns = false;
};

void readPlacement(KeyParts& parts) {
    PlacementScanner scan(parts.placement);
    std::size_t start = 0;
    std::size_t at = 0;
    bool lastWasRun = false;
    for (PlacementItem item; scan.next(item); ++at) {
        const std::size_t rank = std::size_t(item.rank);
        const bool run = item.isRun();
        parts.adjacentRuns |= lastWasRun & run;
        lastWasRun = run;
        if (item.isRankEnd()) {
            if (rank < 8) parts.ranks[rank] = parts.placement.substr(start, at - start);
            start = at + 1;
            continue;
        }
        if (rank >= 8) continue;
        parts.widths[rank] += std::size_t(item.squares);
        if (run) continue;
        if (parts.pieceCount < kMaxPieces) {
            parts.pieces[parts.pieceCount] = {item.letter, std::uint8_t(rank),
                                              std::uint8_t(item.file)};
        }
        ++parts.pieceCount;
    }
    parts.slashes = std::size_t(scan.rank());
    if (parts.slashes < 8) parts.ranks[parts.slashes] = parts.placement.substr(start);
}

KeyParts splitKey(std::string_view key) {
    KeyParts parts;
    parts.placement = cutField(key);
    cutField(key);
    parts.afterSide = key;
    parts.castling = cutField(key);
    parts.enPassant = cutField(key);
    parts.pawns = hasPawn(parts.placement);
    readPlacement(parts);
    return parts;
}

// Mixes a value into 64 well-spread bits.
constexpr std::uint64_t mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    v *= 0xc4ceb9fe1a85ec53ULL;
    return v ^ (v >> 33);
}

std::uint64_t textValue(std::string_view text) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char b : text) h = (h ^ b) * 0x100000001b3ULL;
    return h;
}

constexpr std::size_t nearerEdge(std::size_t i) { return i < 7 - i ? i : 7 - i; }

constexpr std::uint64_t pieceValue(char letter, std::size_t near, std::size_t far) {
    return (std::uint64_t(std::uint8_t(letter)) << 32) | (std::uint64_t(near) << 8) | far;
}

// How the signature sees the board: pawnless positions of exactly 8 x 8 squares under all
// eight symmetries; with pawns the top-bottom images exchange colours, so a piece counts by
// its rank from its own side; any other shape by its distance from the edge ranks.
enum class Shape { Square, Pawns, Other };

// One piece's share of the signature; `toCentre` is its distance from the rank's middle.
std::uint64_t pieceTerm(Shape shape, char letter, std::size_t rank, std::size_t file,
                        std::size_t toCentre) {
    switch (shape) {
        case Shape::Pawns:
            return pieceValue(toUpperAscii(letter), toCentre,
                              isLowerLetter(letter) ? 7 - rank : rank);
        case Shape::Square: {
            const std::size_t a = nearerEdge(rank);
            const std::size_t b = nearerEdge(file);
            return pieceValue(letter, a < b ? a : b, a < b ? b : a);
        }
        case Shape::Other:
            break;
    }
    return pieceValue(letter, toCentre, nearerEdge(rank));
}

Shape shapeOf(const KeyParts& parts) {
    if (parts.pawns) return Shape::Pawns;
    bool square = parts.slashes == 7;
    for (std::size_t width : parts.widths) square = square && width == 8;
    return square ? Shape::Square : Shape::Other;
}

std::uint32_t signatureOf(const KeyParts& parts) {
    const Shape shape = shapeOf(parts);
    std::uint64_t sum = std::uint64_t(shape) + 1;
    // Only the pieces kept count: a key with more never shares its signature with an image.
    const std::size_t kept = parts.pieceCount < kMaxPieces ? parts.pieceCount : kMaxPieces;
    for (std::size_t i = 0; i < kept; ++i) {
        const Piece& piece = parts.pieces[i];
        const std::size_t twice = 2 * std::size_t(piece.file);
        const std::size_t middle = parts.widths[piece.rank] - 1;
        const std::size_t toCentre = twice > middle ? twice - middle : middle - twice;
        sum += mix(pieceTerm(shape, piece.letter, piece.rank, piece.file, toCentre));
    }
    return static_cast<std::uint32_t>(mix(sum) ^ textValue(parts.afterSide));
}

bool isPalindrome(std::string_view text) {
    for (std::size_t i = 0, j = text.size(); i + 1 < j; ++i, --j) {
        if (text[i] != text[j - 1]) return false;
    }
    return true;
}

template <typename Map>
bool gridInvariant(const SquareGrid& g, Map map) {
    for (std::size_t r = 0; r < 8; ++r) {
        for (std::size_t c = 0; c < 8; ++c) {
            if (g[r * 8 + c] != g[map(r, c)]) return false;
        }
    }
    return true;
}

// The diagonal images compared as grids, which is exact for a compressed placement: the
// reflection puts the square (r, c) on (7 - c, 7 - r).
BoardImage diagonalSelfImage(const KeyParts& parts) {
    if (shapeOf(parts) != Shape::Square || parts.adjacentRuns) return BoardImage::None;
    SquareGrid g;
    g.fill('1');
    for (std::size_t i = 0; i < parts.pieceCount; ++i) {
        const Piece& piece = parts.pieces[i];
        g[std::size_t(piece.rank) * 8 + piece.file] = piece.letter;
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return (7 - c) * 8 + (7 - r); })) {
        return BoardImage::D;
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return c * 8 + (7 - r); })) {
        return BoardImage::DX;
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return (7 - c) * 8 + r; })) {
        return BoardImage::DY;
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return c * 8 + r; })) {
        return BoardImage::DXY;
    }
    return BoardImage::None;
}

BoardImage selfImageOf(const KeyParts& parts) {
    if (parts.slashes != 7) return BoardImage::None;
    bool x = true;
    for (std::size_t r = 0; r < 8 && x; ++r) x = isPalindrome(parts.ranks[r]);
    bool y = !parts.pawns;  // with pawns the top-bottom images hand the move over
    for (std::size_t r = 0; r < 4 && y; ++r) y = parts.ranks[r] == parts.ranks[7 - r];
    if (x) return BoardImage::X;
    if (y) return BoardImage::Y;
    if (!parts.pawns && isPalindrome(parts.placement)) return BoardImage::XY;
    return diagonalSelfImage(parts);
}

}  // namespace

KeySymmetry analyseSymmetry(std::string_view key) {
    const KeyParts parts = splitKey(key);
    KeySymmetry result;
    result.imagesShareSignature =
        parts.castling == "-" && parts.enPassant == "-" && parts.pieceCount <= kMaxPieces;
    result.signature = signatureOf(parts);
    result.self = selfImageOf(parts);
    return result;
}

}  // namespace vestrel
