#pragma once
// The kinds of records a run sets aside, read from the id text the marking step logs, and
// what each says about the record in plain words.

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
    Illegal,
    Other,
};

// The verdict word of an id text: up to its first ":" or blank ("illegal" of
// "illegal: king in check", "mirror-dx" of "mirror-dx").
std::string_view verdictWord(std::string_view tag);
// What follows the verdict word and its ": ", empty when nothing does.
std::string_view verdictDetail(std::string_view tag);
SetAsideKind kindOfWord(std::string_view word);

// Duplicates and mirror images repeat an earlier record.
constexpr bool repeatsEarlier(SetAsideKind kind) { return kind <= SetAsideKind::MirrorDXY; }

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

}  // namespace vestrel
