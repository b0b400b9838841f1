#include "position/mirror.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "text/text.h"

namespace vestrel {
namespace {

using RankTexts = std::array<std::string_view, 8>;

// The parts of a key that the images change; views into the key.
struct KeyParts {
    std::string_view placement;
    RankTexts ranks{};             // the first eight rank texts; ranks it lacks stay empty
    std::string_view side;         // without its space
    std::string_view sideSpace;    // " ", or empty when the key ends in the side field
    std::string_view castling;     // without its space
    std::string_view enPassantOn;  // the en-passant field and everything after it
    std::string_view afterSide;    // the castling field and everything after it
    std::size_t slashes = 0;
    bool pawns = false;  // a pawn of either colour: the images exchange colours
};

KeyParts splitKey(std::string_view key) {
    KeyParts parts;
    std::string_view space;
    parts.placement = cutField(key, &space);
    parts.side = cutField(key, &parts.sideSpace);
    parts.afterSide = key;
    parts.castling = cutField(key, &space);
    parts.enPassantOn = key;
    std::size_t rank = 0;
    std::size_t start = 0;
    const std::string_view placement = parts.placement;
    for (std::size_t i = 0; i < placement.size(); ++i) {
        const char c = placement[i];
        parts.pawns |= (c == 'P') | (c == 'p');
        if (c == '/') {
            if (rank < parts.ranks.size()) parts.ranks[rank] = placement.substr(start, i - start);
            ++rank;
            start = i + 1;
        }
    }
    if (rank < parts.ranks.size()) parts.ranks[rank] = placement.substr(start);
    parts.slashes = rank;
    return parts;
}

constexpr std::array<char, 256> kSameCase = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) table[std::size_t(c)] = char(c);
    return table;
}();

constexpr std::array<char, 256> kSwappedCase = [] {
    std::array<char, 256> table = kSameCase;
    for (char c = 'a'; c <= 'z'; ++c) {
        table[std::size_t(c)] = toUpperAscii(c);
        table[std::size_t(toUpperAscii(c))] = c;
    }
    return table;
}();

constexpr char mirrorFile(char c) { return (c >= 'a' && c <= 'h') ? char('a' + 'h' - c) : c; }

constexpr char mirrorRank(char c) {
    if (c == '3') {
        return '6';
    }
    return c == '6' ? '3' : c;
}

bool contains(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

// Writes the text back to front through a case table.
char* writeReversed(std::string_view text, const std::array<char, 256>& cases, char* out) {
    for (std::size_t i = text.size(); i-- > 0;) *out++ = cases[static_cast<unsigned char>(text[i])];
    return out;
}

char* writeForward(std::string_view text, const std::array<char, 256>& cases, char* out) {
    for (char c : text) *out++ = cases[static_cast<unsigned char>(c)];
    return out;
}

char* writePlacement(const KeyParts& parts, MirrorKind kind, char* out) {
    // With pawns the top-bottom images also exchange the colours.
    const std::array<char, 256>& cases =
        (parts.pawns && kind != MirrorKind::X) ? kSwappedCase : kSameCase;
    if (kind == MirrorKind::XY) return writeReversed(parts.placement, cases, out);
    for (std::size_t i = 0; i < parts.ranks.size(); ++i) {
        if (i > 0) *out++ = '/';
        out = kind == MirrorKind::X ? writeReversed(parts.ranks[i], cases, out)
                                    : writeForward(parts.ranks[7 - i], cases, out);
    }
    return out;
}

// With pawns the top-bottom images hand the move to the other colour.
char* writeSide(std::string_view side, MirrorKind kind, bool pawns, char* out) {
    if (!pawns || kind == MirrorKind::X) return writeForward(side, kSameCase, out);
    *out++ = side == "w" ? 'b' : 'w';
    return out;
}

char* writeCastling(std::string_view castling, MirrorKind kind, bool pawns, char* out) {
    if (kind != MirrorKind::Y || !pawns || (!castling.empty() && castling[0] == '-')) {
        *out++ = '-';
        return out;
    }
    if (contains(castling, 'k')) *out++ = 'K';
    if (contains(castling, 'q')) *out++ = 'Q';
    if (contains(castling, 'K')) *out++ = 'k';
    if (contains(castling, 'Q')) *out++ = 'q';
    return out;
}

char* writeEnPassant(std::string_view rest, MirrorKind kind, bool pawns, char* out) {
    char* start = out;
    out = writeForward(rest, kSameCase, out);
    if (pawns && kind != MirrorKind::Y && !rest.empty()) start[0] = mirrorFile(start[0]);
    if (pawns && kind != MirrorKind::X && rest.size() >= 2) start[1] = mirrorRank(start[1]);
    return out;
}

void buildImage(const KeyParts& parts, MirrorKind kind, std::string& image) {
    // Room for the key, the seven slashes missing ranks may add and up to four castling
    // letters where the key had fewer.
    const std::size_t room = parts.placement.size() + 7 + parts.side.size() + 1 +
                             parts.castling.size() + 4 + 1 + parts.enPassantOn.size();
    image.resize(room);
    char* const begin = image.data();
    char* out = writePlacement(parts, kind, begin);
    *out++ = ' ';
    out = writeSide(parts.side, kind, parts.pawns, out);
    out = writeForward(parts.sideSpace, kSameCase, out);
    out = writeCastling(parts.castling, kind, parts.pawns, out);
    *out++ = ' ';
    out = writeEnPassant(parts.enPassantOn, kind, parts.pawns, out);
    image.resize(static_cast<std::size_t>(out - begin));
}

struct NamedKind {
    MirrorKind kind;
    std::string_view name;
};

constexpr std::array<NamedKind, 3> kSearchOrder = {{
    {MirrorKind::X, "x"},
    {MirrorKind::Y, "y"},
    {MirrorKind::XY, "xy"},
}};

}  // namespace

void mirrorImage(std::string_view key, MirrorKind kind, std::string& image) {
    buildImage(splitKey(key), kind, image);
}

void buildMirrorImages(std::string_view key, const SeenSet& seen, MirrorImages& images) {
    const KeyParts parts = splitKey(key);
    for (std::size_t i = 0; i < kSearchOrder.size(); ++i) {
        buildImage(parts, kSearchOrder[i].kind, images.text[i]);
        images.hash[i] = fullKeyHash(images.text[i]);
        prefetchBucket(seen, images.hash[i]);
    }
}

bool matchMirrorImages(const MirrorImages& images, SeenSet& seen, std::string& mirrorKind) {
    for (std::size_t i = 0; i < kSearchOrder.size(); ++i) {
        mirrorKind.assign(kSearchOrder[i].name);
        if (lookupKeyHashed(seen, images.text[i], images.hash[i], false)) return true;
    }
    mirrorKind.clear();
    return false;
}

bool findMirrorMatch(std::string_view key, SeenSet& seen, std::string& mirrorKind,
                     std::string& image) {
    const KeyParts parts = splitKey(key);
    for (const NamedKind& entry : kSearchOrder) {
        buildImage(parts, entry.kind, image);
        mirrorKind.assign(entry.name);
        if (lookupKey(seen, image, false)) {
            return true;
        }
    }
    mirrorKind.clear();
    return false;
}

namespace {

// Mixes one piece's description into 64 well-spread bits.
constexpr std::uint64_t mixPiece(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    v *= 0xc4ceb9fe1a85ec53ULL;
    return v ^ (v >> 33);
}

// The 64 cells of a placement of exactly 8 ranks of 8 squares, "1" for an empty square.
bool expandRanks(const KeyParts& parts, std::array<char, 64>& cells) {
    if (parts.slashes != 7) return false;
    for (std::size_t r = 0; r < 8; ++r) {
        std::size_t c = 0;
        for (char ch : parts.ranks[r]) {
            const std::size_t run = (ch >= '2' && ch <= '8') ? std::size_t(ch - '0') : 1;
            if (c + run > 8) return false;
            for (std::size_t k = 0; k < run; ++k) cells[r * 8 + c + k] = run > 1 ? '1' : ch;
            c += run;
        }
        if (c != 8) return false;
    }
    return true;
}

// No two digits side by side: the placement is already in its compressed form.
bool isCompressed(std::string_view placement) {
    for (std::size_t i = 1; i < placement.size(); ++i) {
        if (isDigit(placement[i]) && isDigit(placement[i - 1])) return false;
    }
    return true;
}

bool isPalindrome(std::string_view text) {
    for (std::size_t i = 0, j = text.size(); i + 1 < j; ++i, --j) {
        if (text[i] != text[j - 1]) return false;
    }
    return true;
}

template <typename Map>
bool gridInvariant(const std::array<char, 64>& g, Map map) {
    for (std::size_t r = 0; r < 8; ++r) {
        for (std::size_t c = 0; c < 8; ++c) {
            if (g[r * 8 + c] != g[map(r, c)]) return false;
        }
    }
    return true;
}

}  // namespace

namespace {

std::uint32_t signatureOf(const KeyParts& parts) {
    // Rank widths first: pawnless positions of exactly 8 x 8 squares are compared under all
    // eight symmetries of the board; with pawns the top-bottom images exchange colours, so
    // only the relative rank of a piece (from its own side) and its distance from the centre
    // file count.
    std::array<std::size_t, 8> widths{};
    bool square = !parts.pawns && parts.slashes == 7;
    for (std::size_t r = 0; r < parts.ranks.size(); ++r) {
        for (char ch : parts.ranks[r])
            widths[r] += (ch >= '0' && ch <= '9') ? std::size_t(ch - '0') : 1;
        square = square && widths[r] == 8;
    }
    std::uint64_t sum = square ? 1 : (parts.pawns ? 2 : 3);
    for (std::size_t r = 0; r < parts.ranks.size(); ++r) {
        const std::size_t width = widths[r];
        std::size_t file = 0;
        for (char ch : parts.ranks[r]) {
            if (ch >= '0' && ch <= '9') {
                file += std::size_t(ch - '0');
                continue;
            }
            const std::size_t toCentre =
                2 * file > width - 1 ? 2 * file - (width - 1) : (width - 1) - 2 * file;
            std::uint64_t piece;
            if (parts.pawns) {
                const std::size_t ownRank = isLowerLetter(ch) ? 7 - r : r;
                piece = (std::uint64_t(std::uint8_t(toUpperAscii(ch))) << 32) |
                        (std::uint64_t(toCentre) << 8) | ownRank;
            } else if (square) {
                const std::size_t a = r < 7 - r ? r : 7 - r;
                const std::size_t b = file < 7 - file ? file : 7 - file;
                piece = (std::uint64_t(std::uint8_t(ch)) << 32) |
                        (std::uint64_t(a < b ? a : b) << 8) | (a < b ? b : a);
            } else {
                piece = (std::uint64_t(std::uint8_t(ch)) << 32) | (std::uint64_t(toCentre) << 8) |
                        (r < 7 - r ? r : 7 - r);
            }
            sum += mixPiece(piece);
            ++file;
        }
    }
    return static_cast<std::uint32_t>(mixPiece(sum) ^ fullKeyHash(parts.afterSide));
}

}  // namespace

std::uint32_t symmetrySignature(std::string_view key) { return signatureOf(splitKey(key)); }

bool imagesShareSignature(std::string_view key) {
    return analyseSymmetry(key).imagesShareSignature;
}

namespace {

SelfImage selfImageOf(const KeyParts& parts) {
    SelfImage self;
    if (parts.slashes != 7) return self;
    bool x = true;
    bool y = !parts.pawns;  // with pawns the top-bottom images hand the move over
    for (std::size_t r = 0; r < 8; ++r) {
        x = x && isPalindrome(parts.ranks[r]);
        y = y && parts.ranks[r] == parts.ranks[7 - r];
    }
    if (x) return {true, false, "x"};
    if (y) return {true, false, "y"};
    if (!parts.pawns && isPalindrome(parts.placement)) return {true, false, "xy"};
    std::array<char, 64> g{};
    if (parts.pawns || !expandRanks(parts, g) || !isCompressed(parts.placement)) return self;
    // The reflection puts the square (r, c) on (7 - c, 7 - r); its images are compared as
    // grids, which is exact for a placement already in compressed form.
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return (7 - c) * 8 + (7 - r); })) {
        return {true, true, ""};
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return c * 8 + (7 - r); })) {
        return {true, true, "x"};
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return (7 - c) * 8 + r; })) {
        return {true, true, "y"};
    }
    if (gridInvariant(g, [](std::size_t r, std::size_t c) { return c * 8 + r; })) {
        return {true, true, "xy"};
    }
    return self;
}

}  // namespace

SelfImage selfImage(std::string_view key) { return selfImageOf(splitKey(key)); }

KeySymmetry analyseSymmetry(std::string_view key) {
    const KeyParts parts = splitKey(key);
    KeySymmetry result;
    result.signature = signatureOf(parts);
    std::string_view rest = parts.enPassantOn;
    std::string_view space;
    result.imagesShareSignature = parts.castling == "-" && cutField(rest, &space) == "-";
    result.self = selfImageOf(parts);
    return result;
}

}  // namespace vestrel
