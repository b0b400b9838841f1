#pragma once
// The kinds of records a run sets aside, read from the id text the marking step logs, and
// what each says about the record in plain words.

#include <array>
#include <string>
#include <string_view>

namespace vestrel {

// In the order the report shows them; Other stands for any verdict word it does not know.
enum class SetAsideKind {
    Duplicate,
    MirrorX,
    MirrorY,
    MirrorXY,
    MirrorD,
    MirrorDX,
    MirrorDY,
    MirrorDXY,
    // --canonical: the colour-reversed twin of the record, or that twin's image, repeats an
    // earlier record ("mirror-c", "mirror-cx", ...).
    MirrorC,
    MirrorCX,
    MirrorCY,
    MirrorCXY,
    MirrorCD,
    MirrorCDX,
    MirrorCDY,
    MirrorCDXY,
    Illegal,
    // --verify: records that are written all the same, with a verdict other than "sound".
    Cooked,
    Short,
    Unsound,
    Unchecked,
    Other,
};

// The verdict words of --verify, in the order the report counts them.
inline constexpr std::array<std::string_view, 5> kVerdictWords = {"sound", "cooked", "short",
                                                                  "unsound", "unchecked"};

// The verdict word of an id text: up to its first ":" or blank ("illegal" of
// "illegal: king in check", "mirror-dx" of "mirror-dx").
std::string_view verdictWord(std::string_view tag);
// What follows the verdict word and its ": ", empty when nothing does.
std::string_view verdictDetail(std::string_view tag);
SetAsideKind kindOfWord(std::string_view word);

// Duplicates, mirror images and colour-reversed twins repeat an earlier record.
constexpr bool repeatsEarlier(SetAsideKind kind) { return kind <= SetAsideKind::MirrorCDXY; }
// The verdicts of --verify other than "sound".
constexpr bool isVerdict(SetAsideKind kind) {
    return kind >= SetAsideKind::Cooked && kind <= SetAsideKind::Unchecked;
}

// The key of the earlier record that a record of this kind repeats, built from the record's
// own key the way the seen-position test builds its images. False for the other kinds and
// for a key whose placement is no board.
bool earlierKey(SetAsideKind kind, std::string_view key, std::string& out);

// The heading of a kind's section, as HTML ("Duplicates", "Mirror images: left-right").
std::string kindHeading(SetAsideKind kind, std::string_view word);
// How the record relates to the earlier one, as HTML: "the same position turned 180&#176;".
// With pawns the top-bottom images also exchange the colours.
std::string_view kindInWords(SetAsideKind kind, bool pawns);
// The same for a record that is its own image: "symmetric about ...".
std::string_view symmetryInWords(SetAsideKind kind, bool pawns);
// What a verdict of --verify says about the stipulation, as HTML; empty for other kinds.
std::string_view verdictInWords(SetAsideKind kind);

}  // namespace vestrel
