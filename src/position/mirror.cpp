#include "position/mirror.h"

#include <cstddef>

#include "position/placement.h"
#include "text/text.h"

namespace vestrel {
namespace {

enum class MirrorKind { X, Y, XY };

// The parts of a key that the images change; views into the key.
struct KeyParts {
    std::string_view placement;
    std::array<std::string_view, 8> ranks{};  // the first eight rank texts; missing ones empty
    std::string_view side;                    // without its space
    std::string_view sideSpace;               // " ", or empty when the key ends in the side
    std::string_view castling;                // without its space
    std::string_view enPassantOn;             // the en-passant field and everything after it
    bool pawns = false;                       // the top-bottom images exchange colours
};

KeyParts splitKey(std::string_view key) {
    KeyParts parts;
    parts.placement = cutField(key);
    parts.side = cutField(key, &parts.sideSpace);
    parts.castling = cutField(key);
    parts.enPassantOn = key;
    parts.pawns = hasPawn(parts.placement);
    std::string_view rest = parts.placement;
    for (std::size_t rank = 0; rank < parts.ranks.size(); ++rank) {
        const std::size_t slash = rest.find('/');
        parts.ranks[rank] = rest.substr(0, slash);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return parts;
}

using CaseTable = std::array<char, 256>;

constexpr CaseTable kSameCase = [] {
    CaseTable table{};
    for (int c = 0; c < 256; ++c) table[std::size_t(c)] = char(c);
    return table;
}();

constexpr CaseTable kSwappedCase = [] {
    CaseTable table = kSameCase;
    for (char c = 'a'; c <= 'z'; ++c) {
        table[std::size_t(c)] = toUpperAscii(c);
        table[std::size_t(toUpperAscii(c))] = c;
    }
    return table;
}();

constexpr char mirrorFile(char c) { return (c >= 'a' && c <= 'h') ? char('a' + 'h' - c) : c; }

constexpr char mirrorRank(char c) {
    if (c == '3') return '6';
    return c == '6' ? '3' : c;
}

bool contains(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

// Writes the text back to front through a case table.
char* writeReversed(std::string_view text, const CaseTable& cases, char* out) {
    for (std::size_t i = text.size(); i-- > 0;) *out++ = cases[static_cast<unsigned char>(text[i])];
    return out;
}

char* writeForward(std::string_view text, const CaseTable& cases, char* out) {
    for (char c : text) *out++ = cases[static_cast<unsigned char>(c)];
    return out;
}

// The rotation reverses the whole placement; the other images always write eight ranks.
char* writePlacement(const KeyParts& parts, MirrorKind kind, char* out) {
    const CaseTable& cases = (parts.pawns && kind != MirrorKind::X) ? kSwappedCase : kSameCase;
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

}  // namespace

void mirrorImages(std::string_view key, MirrorImages& images) {
    const KeyParts parts = splitKey(key);
    buildImage(parts, MirrorKind::X, images[0]);
    buildImage(parts, MirrorKind::Y, images[1]);
    buildImage(parts, MirrorKind::XY, images[2]);
}

void colourReversedImage(std::string_view key, std::string& image) {
    KeyParts parts = splitKey(key);
    parts.pawns = true;  // exchange the colours whatever stands on the board
    buildImage(parts, MirrorKind::Y, image);
}

}  // namespace vestrel
