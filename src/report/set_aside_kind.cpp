#include "report/set_aside_kind.h"

#include <array>

#include "position/diagonal.h"
#include "position/mirror.h"
#include "position/placement.h"
#include "report/html_text.h"

namespace vestrel {
namespace {

struct KindText {
    std::string_view word;     // the id text's verdict word
    std::string_view heading;  // the section heading
    std::string_view words;    // the record against the earlier one, without pawns
    std::string_view wordsWithPawns;
    std::string_view symmetry;  // a record that is its own image
    std::string_view symmetryWithPawns;
};

// The images are looked up as: x, y, xy of the key; its reflection d in the a1-h8 diagonal;
// then x, y, xy of d. The earlier record is that image of this one, so this record is the
// inverse image of the earlier: x (files reversed) followed by d is a quarter turn clockwise,
// y (ranks reversed) followed by d one anticlockwise, xy followed by d the reflection in the
// other diagonal.
constexpr std::array<KindText, 21> kKinds = {{
    {"duplicate", "Duplicates", "the same position", "the same position", "", ""},
    {"mirror-x", "Mirror images: left and right exchanged",
     "the same position mirrored left to right (files a and h exchanged)",
     "the same position mirrored left to right (files a and h exchanged)",
     "symmetric left to right", "symmetric left to right"},
    {"mirror-y", "Mirror images: top and bottom exchanged",
     "the same position mirrored top to bottom (ranks 1 and 8 exchanged)",
     "the same position mirrored top to bottom with the colours exchanged (ranks 1 and 8 "
     "exchanged, the other side to move)",
     "symmetric top to bottom", "symmetric top to bottom with the colours exchanged"},
    {"mirror-xy", "Mirror images: turned 180&#176;", "the same position turned 180&#176;",
     "the same position turned 180&#176; with the colours exchanged (the other side to move)",
     "unchanged when turned 180&#176;",
     "unchanged when turned 180&#176; with the colours exchanged"},
    {"mirror-d", "Mirror images: reflected in the a1-h8 diagonal",
     "the same position reflected in the a1-h8 diagonal",
     "the same position reflected in the a1-h8 diagonal", "symmetric about the a1-h8 diagonal",
     "symmetric about the a1-h8 diagonal"},
    {"mirror-dx", "Mirror images: turned 90&#176; clockwise",
     "the same position turned 90&#176; clockwise", "the same position turned 90&#176; clockwise",
     "unchanged when turned 90&#176;", "unchanged when turned 90&#176;"},
    {"mirror-dy", "Mirror images: turned 90&#176; anticlockwise",
     "the same position turned 90&#176; anticlockwise",
     "the same position turned 90&#176; anticlockwise", "unchanged when turned 90&#176;",
     "unchanged when turned 90&#176;"},
    {"mirror-dxy", "Mirror images: reflected in the a8-h1 diagonal",
     "the same position reflected in the a8-h1 diagonal",
     "the same position reflected in the a8-h1 diagonal", "symmetric about the a8-h1 diagonal",
     "symmetric about the a8-h1 diagonal"},
    // The colour-reversed twin is the board turned top to bottom with White and Black and the
    // side to move exchanged. The earlier record is an image of this record's twin, so this
    // record is the twin of the inverse image: the twin after "x" is the board turned 180
    // degrees, after "y" every man stays on its square, after "d" a quarter turn clockwise,
    // after "dx" the reflection in the a1-h8 diagonal, after "dy" the other diagonal's, after
    // "dxy" a quarter turn anticlockwise (both colours exchanged each time).
    {"mirror-c", "Colour-reversed twins: turned top to bottom",
     "the same position turned top to bottom (ranks 1 and 8 exchanged) with White and Black "
     "exchanged and the other side to move",
     "the same position turned top to bottom (ranks 1 and 8 exchanged) with White and Black "
     "exchanged and the other side to move",
     "unchanged when turned top to bottom with White and Black exchanged and the other side to "
     "move",
     "unchanged when turned top to bottom with White and Black exchanged and the other side to "
     "move"},
    {"mirror-cx", "Colour-reversed twins: turned 180&#176;",
     "the same position turned 180&#176; with White and Black exchanged and the other side to move",
     "the same position turned 180&#176; with White and Black exchanged and the other side to move",
     "unchanged when turned 180&#176; with White and Black exchanged and the other side to move",
     "unchanged when turned 180&#176; with White and Black exchanged and the other side to move"},
    {"mirror-cy", "Colour-reversed twins: colours exchanged in place",
     "the same position with White and Black exchanged on the same squares and the other side to "
     "move",
     "the same position with White and Black exchanged on the same squares and the other side to "
     "move",
     "unchanged with White and Black exchanged on the same squares and the other side to move",
     "unchanged with White and Black exchanged on the same squares and the other side to move"},
    {"mirror-cxy", "Colour-reversed twins: left and right exchanged",
     "the same position mirrored left to right (files a and h exchanged) with White and Black "
     "exchanged and the other side to move",
     "the same position mirrored left to right (files a and h exchanged) with White and Black "
     "exchanged and the other side to move",
     "unchanged when mirrored left to right with White and Black exchanged and the other side to "
     "move",
     "unchanged when mirrored left to right with White and Black exchanged and the other side to "
     "move"},
    {"mirror-cd", "Colour-reversed twins: turned 90&#176; clockwise",
     "the same position turned 90&#176; clockwise with White and Black exchanged and the other "
     "side to move",
     "the same position turned 90&#176; clockwise with White and Black exchanged and the other "
     "side to move",
     "unchanged when turned 90&#176; with White and Black exchanged and the other side to move",
     "unchanged when turned 90&#176; with White and Black exchanged and the other side to move"},
    {"mirror-cdx", "Colour-reversed twins: reflected in the a1-h8 diagonal",
     "the same position reflected in the a1-h8 diagonal with White and Black exchanged and the "
     "other side to move",
     "the same position reflected in the a1-h8 diagonal with White and Black exchanged and the "
     "other side to move",
     "unchanged when reflected in the a1-h8 diagonal with White and Black exchanged and the other "
     "side to move",
     "unchanged when reflected in the a1-h8 diagonal with White and Black exchanged and the other "
     "side to move"},
    {"mirror-cdy", "Colour-reversed twins: reflected in the a8-h1 diagonal",
     "the same position reflected in the a8-h1 diagonal with White and Black exchanged and the "
     "other side to move",
     "the same position reflected in the a8-h1 diagonal with White and Black exchanged and the "
     "other side to move",
     "unchanged when reflected in the a8-h1 diagonal with White and Black exchanged and the other "
     "side to move",
     "unchanged when reflected in the a8-h1 diagonal with White and Black exchanged and the other "
     "side to move"},
    {"mirror-cdxy", "Colour-reversed twins: turned 90&#176; anticlockwise",
     "the same position turned 90&#176; anticlockwise with White and Black exchanged and the other "
     "side to move",
     "the same position turned 90&#176; anticlockwise with White and Black exchanged and the other "
     "side to move",
     "unchanged when turned 90&#176; with White and Black exchanged and the other side to move",
     "unchanged when turned 90&#176; with White and Black exchanged and the other side to move"},
    {"illegal", "Illegal positions", "", "", "", ""},
    {"cooked", "Cooked: more than one key or solution",
     "The stipulation has more than one key (a helpmate more than one solution); the log "
     "lists them.",
     "", "", ""},
    {"short", "Short: solved in fewer moves",
     "The stipulation is met in fewer moves than it states; the log gives the shortest length "
     "and its keys.",
     "", "", ""},
    {"unsound", "Unsound: no solution", "No play meets the stipulation within the moves it states.",
     "", "", ""},
    {"unchecked", "Unchecked: not solved", "The stipulation was not solved.", "", "", ""},
}};

const KindText* textOf(SetAsideKind kind) {
    const std::size_t i = std::size_t(kind);
    return i < kKinds.size() ? &kKinds[i] : nullptr;
}

}  // namespace

std::string_view verdictWord(std::string_view tag) {
    return tag.substr(0, tag.find_first_of(": "));
}

std::string_view verdictDetail(std::string_view tag) {
    std::string_view rest = tag.substr(verdictWord(tag).size());
    while (!rest.empty() && (rest[0] == ':' || rest[0] == ' ')) rest.remove_prefix(1);
    return rest;
}

SetAsideKind kindOfWord(std::string_view word) {
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (kKinds[i].word == word) return SetAsideKind(i);
    }
    return SetAsideKind::Other;
}

bool earlierKey(SetAsideKind kind, std::string_view key, std::string& out) {
    if (!repeatsEarlier(kind)) return false;
    if (kind >= SetAsideKind::MirrorC) {
        // The twin's image: the kind without its "c", taken from the twin's key.
        std::string twin;
        colourReversedImage(key, twin);
        const auto base = SetAsideKind(std::size_t(kind) - std::size_t(SetAsideKind::MirrorC));
        return earlierKey(base, twin, out);
    }
    if (kind == SetAsideKind::Duplicate) {
        out.assign(key);
        return true;
    }
    MirrorImages images;
    if (kind <= SetAsideKind::MirrorXY) {
        mirrorImages(key, images);
        out = images[std::size_t(kind) - std::size_t(SetAsideKind::MirrorX)];
        return true;
    }
    std::string reflected;
    if (!reflectDiagonal(key, reflected)) return false;
    if (kind == SetAsideKind::MirrorD) {
        out = reflected;
        return true;
    }
    mirrorImages(reflected, images);
    out = images[std::size_t(kind) - std::size_t(SetAsideKind::MirrorDX)];
    return true;
}

std::string kindHeading(SetAsideKind kind, std::string_view word) {
    if (const KindText* text = textOf(kind)) return std::string(text->heading);
    // A verdict word of its own: "cooked" heads its section as "Cooked".
    std::string first(word.substr(0, 1));
    if (!first.empty() && first[0] >= 'a' && first[0] <= 'z') first[0] = char(first[0] - 32);
    std::string heading;
    appendEscaped(heading, first);
    appendEscaped(heading, word.substr(first.size()));
    return heading;
}

std::string_view kindInWords(SetAsideKind kind, bool pawns) {
    const KindText* text = textOf(kind);
    if (text == nullptr) return {};
    return pawns ? text->wordsWithPawns : text->words;
}

std::string_view symmetryInWords(SetAsideKind kind, bool pawns) {
    const KindText* text = textOf(kind);
    if (text == nullptr) return {};
    return pawns ? text->symmetryWithPawns : text->symmetry;
}

std::string_view verdictInWords(SetAsideKind kind) {
    return isVerdict(kind) ? textOf(kind)->words : std::string_view();
}

}  // namespace vestrel
