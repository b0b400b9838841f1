#include "input/pgn_header.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <vector>

#include "input/stipulation_phrase.h"
#include "text/text.h"

namespace vestrel {

namespace {

// A stipulation counts only for a move number of smaller magnitude.
constexpr std::int32_t kMoveNumberLimit = 300;

struct Keyword {
    std::string_view found;
    std::string_view replacement;
};

// German and English stipulation words, reduced in this order to a type letter and a
// marker. The "R ", "S ", "H " rows keep a word ending in one of those letters from being
// read as a type letter ("SMITH #2").
constexpr Keyword kKeywords[] = {
    {" IN ", " "}, {"SCHACH", ""},  {"CHECK", ""},       {"R ", "R_"},   {"S ", "S_"},
    {"H ", "H_"},  {"REFLEX", "R"}, {"SELBST", "S"},     {"SELF", "S"},  {"HILFS", "H"},
    {"HELP", "H"}, {"PATT ", "="},  {"STALEMATE ", "="}, {"MATT ", "#"}, {"MATE ", "#"},
    {" ", ""},     {"-=", "="},     {"-#", "#"},
};

// The bytes of the keyword rows, one bit each; every other byte has no bit.
constexpr std::string_view kKeywordBytes = " INSCHEKRFLXBTPAM-=#";
constexpr std::array<std::uint32_t, 256> kByteBit = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::size_t i = 0; i < kKeywordBytes.size(); ++i) {
        table[static_cast<unsigned char>(kKeywordBytes[i])] = std::uint32_t{1} << i;
    }
    return table;
}();

// Every byte a keyword row looks for has its bit.
static_assert([] {
    for (const Keyword& k : kKeywords) {
        for (char c : k.found) {
            if (kByteBit[static_cast<unsigned char>(c)] == 0) return false;
        }
    }
    return true;
}());

// The keyword-byte bits of a text.
constexpr std::uint32_t bitsOf(std::string_view text) {
    std::uint32_t bits = 0;
    for (char c : text) bits |= kByteBit[static_cast<unsigned char>(c)];
    return bits;
}

// The keyword rows only delete text or write bytes their match held, besides the "=" and
// "#" they bring in, so a row whose bytes are not all in the text cannot match: it is skipped.
// Skipping those rows, and the lines mayHoldMark rules out, saves 13.3% of the instructions
// of "bench.pgn" (bench/instructions.sh).
struct KeywordBits {
    std::uint32_t needs;  // bytes of the found text
    std::uint32_t gives;  // bytes of the replacement
};
constexpr std::array<KeywordBits, std::size(kKeywords)> kKeywordBits = [] {
    std::array<KeywordBits, std::size(kKeywords)> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = {bitsOf(kKeywords[i].found), bitsOf(kKeywords[i].replacement)};
    }
    return table;
}();

// Can the keyword rows leave a mark in a text with these bytes? Only a "#" or "=" already
// there, or "MATE ", "MATT ", "PATT " and "STALEMATE ", make one.
bool mayHoldMark(std::uint32_t bytes) {
    if ((bytes & bitsOf("#=")) != 0) return true;
    const std::uint32_t at = bitsOf("AT ");
    return (bytes & at) == at && (bytes & bitsOf("MP")) != 0;
}

// Upper-cases the line into `work`; returns the keyword bytes it holds.
std::uint32_t upperCaseInto(std::string_view line, std::string& work) {
    std::uint32_t bytes = 0;
    work.resize(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = toUpperAscii(line[i]);
        work[i] = c;
        bytes |= kByteBit[static_cast<unsigned char>(c)];
    }
    return bytes;
}

// Is the tag name in the /h list? A name holding commas names as many neighbouring tags of
// the list ("a,b" is listed when "a" and "b" stand side by side in it).
bool tagListed(std::string_view name, const std::vector<std::string>& tags) {
    for (std::size_t first = 0; first < tags.size(); ++first) {
        std::string_view rest = name;
        for (std::size_t i = first; i < tags.size(); ++i) {
            const std::size_t comma = rest.find(',');
            if (rest.substr(0, comma) != tags[i]) break;
            if (comma == std::string_view::npos) return true;
            rest.remove_prefix(comma + 1);
        }
    }
    return false;
}

// The /h tag filter: is this tag's name one that the filter lets through?
bool tagSelected(std::string_view line, const HeaderTagFilter& filter) {
    if (filter.mode == HeaderTagMode::All) return true;
    std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space < 2) return false;
    const bool listed = tagListed(line.substr(1, space - 1), filter.tags);
    return filter.mode == HeaderTagMode::UseListed ? listed : !listed;
}

// "3#" is written "#3" before the keywords run: the mark goes in front of the digit run
// before it, and an "_" takes its old place ("H12#" becomes "H_#12_").
void moveNumberBehindMark(std::string& text) {
    std::size_t mark = text.find('#');
    if (mark == std::string::npos || mark == 0 || !isDigit(text[mark - 1])) return;
    if (mark + 1 < text.size() && isDigit(text[mark + 1])) return;
    text[mark] = '_';
    std::size_t first = mark - 1;
    while (first > 0 && isDigit(text[first - 1])) --first;
    text.insert(first, "_#");
}

bool isTypeLetter(char c) { return c == 'H' || c == 'R' || c == 'S'; }

// The tag name and value of a header line [Name "value"]: the value runs from the first
// double quote to the last one; a tag without quotes has the text after the name.
void splitTag(std::string_view line, std::string_view& name, std::string_view& value) {
    std::string_view inner = line.substr(1, line.size() - 2);  // the brackets off
    const std::size_t space = inner.find(' ');
    name = inner.substr(0, space);
    value = space == std::string_view::npos ? std::string_view() : inner.substr(space + 1);
    const std::size_t open = value.find('"');
    const std::size_t close = value.rfind('"');
    if (open != std::string_view::npos && close > open) {
        value = value.substr(open + 1, close - open - 1);
    }
}

}  // namespace

bool examineHeaderLine(std::string_view line, const HeaderTagFilter& filter, std::string& mateInfo,
                       std::string& work, std::string& scratch) {
    if (!tagSelected(line, filter)) return false;

    std::uint32_t bytes = upperCaseInto(line, work);
    if (!mayHoldMark(bytes)) return false;
    moveNumberBehindMark(work);  // writes only "_" and a "#" that was there
    for (std::size_t i = 0; i < std::size(kKeywords); ++i) {
        const KeywordBits& k = kKeywordBits[i];
        if ((k.needs & ~bytes) != 0) continue;
        replaceAll(work, kKeywords[i].found, kKeywords[i].replacement, scratch);
        bytes |= k.gives;
    }

    std::size_t mark = work.find('#');
    if (mark == std::string::npos) mark = work.find('=');
    if (mark == std::string::npos) return false;

    std::string_view rest = std::string_view(work).substr(mark + 1);
    std::size_t runEnd = 0;
    while (runEnd < rest.size() && (rest[runEnd] == '-' || isDigit(rest[runEnd]))) ++runEnd;
    std::string_view run = rest.substr(0, runEnd);
    if (run.empty()) return false;
    // "3-1" and "--2" are runs but not numbers.
    std::optional<std::int32_t> value = parseWholeInteger(run);
    if (!value || *value == 0 || *value >= kMoveNumberLimit || *value <= -kMoveNumberLimit)
        return false;

    mateInfo.clear();
    if (mark > 0 && isTypeLetter(work[mark - 1])) mateInfo.push_back(toLowerAscii(work[mark - 1]));
    mateInfo.push_back(work[mark]);
    mateInfo.append(run);
    return true;
}

void examineHeaderWords(std::string_view line, const HeaderTagFilter& filter, HeaderWords& header,
                        std::string& found, std::string& work) {
    using Source = HeaderWords::Source;
    if (header.source == Source::StipulationTag || line.size() < 2) return;
    if (!tagSelected(line, filter)) return;
    std::string_view name;
    std::string_view value;
    splitTag(line, name, value);
    const bool stipulationTag = equalsIgnoreCase(name, "Stipulation");
    if (!stipulationTag && header.source == Source::WholeTag) return;
    const PhraseFit fit = readStipulationPhrase(value, found, work);
    if (fit == PhraseFit::None) return;
    Source source = fit == PhraseFit::Whole ? Source::WholeTag : Source::TagPart;
    if (stipulationTag) source = Source::StipulationTag;
    if (source <= header.source) return;
    header.source = source;
    header.mateInfo.swap(found);
}

}  // namespace vestrel
