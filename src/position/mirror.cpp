#include "position/mirror.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "text/text.h"

namespace vestrel {
namespace {

// The parts of a key that the images change; views into the key.
struct KeyParts {
    std::string_view placement;
    std::string_view side;         // without its space
    std::string_view sideSpace;    // " ", or empty when the key ends in the side field
    std::string_view castling;     // without its space
    std::string_view enPassantOn;  // the en-passant field and everything after it
};

// Cuts the text at its next space: the field before it, the space itself (or nothing).
std::string_view takeField(std::string_view& text, std::string_view& space) {
    const std::size_t at = text.find(' ');
    if (at == std::string_view::npos) {
        const std::string_view field = text;
        space = {};
        text = {};
        return field;
    }
    const std::string_view field = text.substr(0, at);
    space = text.substr(at, 1);
    text.remove_prefix(at + 1);
    return field;
}

KeyParts splitKey(std::string_view key) {
    KeyParts parts;
    std::string_view space;
    parts.placement = takeField(key, space);
    parts.side = takeField(key, parts.sideSpace);
    parts.castling = takeField(key, space);
    parts.enPassantOn = key;
    return parts;
}

bool hasPawns(std::string_view placement) {
    for (char c : placement) {
        if (toUpperAscii(c) == 'P') {
            return true;
        }
    }
    return false;
}

constexpr char swapCase(char c) {
    if (isUpperLetter(c)) {
        return toLowerAscii(c);
    }
    return isLowerLetter(c) ? toUpperAscii(c) : c;
}

constexpr char mirrorFile(char c) { return (c >= 'a' && c <= 'h') ? char('a' + 'h' - c) : c; }

constexpr char mirrorRank(char c) {
    if (c == '3') {
        return '6';
    }
    return c == '6' ? '3' : c;
}

bool contains(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

using RankTexts = std::array<std::string_view, 8>;

// The first eight rank texts of the placement; ranks it lacks stay empty.
RankTexts splitRanks(std::string_view placement) {
    RankTexts ranks{};
    std::size_t count = 0;
    while (count < ranks.size()) {
        const std::size_t slash = placement.find('/');
        ranks[count++] = placement.substr(0, slash);
        if (slash == std::string_view::npos) {
            break;
        }
        placement.remove_prefix(slash + 1);
    }
    return ranks;
}

// Appends the text back to front, without a temporary copy.
void appendReversed(std::string_view text, std::string& image) {
    const std::size_t start = image.size();
    image.resize(start + text.size());
    std::reverse_copy(text.begin(), text.end(), image.begin() + std::ptrdiff_t(start));
}

void appendPlacement(std::string_view placement, MirrorKind kind, bool pawns, std::string& image) {
    const std::size_t start = image.size();
    if (kind == MirrorKind::XY) {
        appendReversed(placement, image);
    } else {
        const RankTexts ranks = splitRanks(placement);
        for (std::size_t i = 0; i < ranks.size(); ++i) {
            if (i > 0) {
                image.push_back('/');
            }
            if (kind == MirrorKind::X) {
                appendReversed(ranks[i], image);
            } else {
                image.append(ranks[ranks.size() - 1 - i]);
            }
        }
    }
    if (pawns && kind != MirrorKind::X) {
        for (std::size_t i = start; i < image.size(); ++i) {
            image[i] = swapCase(image[i]);
        }
    }
}

// With pawns the top-bottom images hand the move to the other colour.
void appendSide(std::string_view side, MirrorKind kind, bool pawns, std::string& image) {
    if (!pawns || kind == MirrorKind::X) {
        image.append(side);
    } else {
        image.push_back(side == "w" ? 'b' : 'w');
    }
}

void appendCastling(std::string_view castling, MirrorKind kind, bool pawns, std::string& image) {
    if (kind != MirrorKind::Y || !pawns || (!castling.empty() && castling[0] == '-')) {
        image.push_back('-');
        return;
    }
    if (contains(castling, 'k')) {
        image.push_back('K');
    }
    if (contains(castling, 'q')) {
        image.push_back('Q');
    }
    if (contains(castling, 'K')) {
        image.push_back('k');
    }
    if (contains(castling, 'Q')) {
        image.push_back('q');
    }
}

void appendEnPassant(std::string_view rest, MirrorKind kind, bool pawns, std::string& image) {
    const std::size_t start = image.size();
    image.append(rest);
    if (!pawns) {
        return;
    }
    if (kind != MirrorKind::Y && rest.size() >= 1) {
        image[start] = mirrorFile(image[start]);
    }
    if (kind != MirrorKind::X && rest.size() >= 2) {
        image[start + 1] = mirrorRank(image[start + 1]);
    }
}

void buildImage(const KeyParts& parts, MirrorKind kind, bool pawns, std::string& image) {
    image.clear();
    appendPlacement(parts.placement, kind, pawns, image);
    image.push_back(' ');
    appendSide(parts.side, kind, pawns, image);
    image.append(parts.sideSpace);
    appendCastling(parts.castling, kind, pawns, image);
    image.push_back(' ');
    appendEnPassant(parts.enPassantOn, kind, pawns, image);
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
    const KeyParts parts = splitKey(key);
    buildImage(parts, kind, hasPawns(parts.placement), image);
}

bool findMirrorMatch(std::string_view key, SeenSet& seen, std::string& mirrorKind,
                     std::string& image) {
    const KeyParts parts = splitKey(key);
    const bool pawns = hasPawns(parts.placement);
    for (const NamedKind& entry : kSearchOrder) {
        buildImage(parts, entry.kind, pawns, image);
        mirrorKind.assign(entry.name);
        if (lookupKey(seen, image, false)) {
            return true;
        }
    }
    mirrorKind.clear();
    return false;
}

}  // namespace vestrel
