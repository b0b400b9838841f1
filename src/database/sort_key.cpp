#include "database/sort_key.h"

#include <charconv>

#include "text/text.h"

namespace vestrel {

namespace {

// The tail of this text fills a key that stops early; its parts line up with the key fields.
constexpr std::string_view kKeyFill = "zzzzz zzz:zzz zzz:zzz ";
constexpr std::string_view kNoTime = "zzz:zzz ";
constexpr std::string_view kUnknownTime = "???:??? ";

char charAt(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

// The seven characters of a time field: flag sign, the five time characters, "+" flag.
void appendTimeField(KeyBuffer& key, std::string_view t, std::size_t w) {
    const char flag = charAt(t, w + 5);
    char lead = flag == '-' ? '-' : ' ';
    if (w != 0) lead = lead == '-' ? '=' : '.';
    key.push(lead);
    key.append(t.substr(0, 5));
    key.push(flag == '+' ? '+' : ' ');
}

// Adds one time field and its space; false when the key stops here. The first time is
// ended by ";" and consumed, the second one must be followed by "@" and stays.
bool appendTime(KeyBuffer& key, std::string_view& t, bool first) {
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    t.remove_prefix(colon - 2);
    const std::size_t w = charAt(t, 5) == ':' ? 3 : 0;
    const std::size_t stop = t.find(first ? ';' : '@');
    const bool malformed = first ? (stop == std::string_view::npos || stop + 1 > w + 7)
                                 : (stop == std::string_view::npos || stop + 1 < w + 7);
    if (malformed) {
        key.append(kNoTime);
    } else if (t.substr(0, 5) == "--:--") {
        key.append(kUnknownTime);
    } else {
        appendTimeField(key, t, w);
        key.push(' ');
        if (first) t.remove_prefix(stop + 1);
    }
    return true;
}

// Type, moves and the two times, as far as the text after " bm " allows.
void appendKeyFields(KeyBuffer& key, std::string_view t) {
    const char first = charAt(t, 0);
    const char second = charAt(t, 1);
    if (first == '#' || first == '=') {
        key.push(' ');
        key.push(first);
        t.remove_prefix(1);
    } else if (second == '#' || second == '=') {
        key.push(first == 'h' ? 'y' : (first == 's' ? 'x' : 'z'));
        key.push(second);
        t.remove_prefix(2);
    } else {
        return;
    }
    const std::size_t semi = t.find(';');
    if (semi == 0 || semi == std::string_view::npos) return;
    long long moves = parseLeadingInteger(t.substr(0, semi));
    if (moves < 0) moves = -moves;
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, moves);
    const std::size_t width = static_cast<std::size_t>(res.ptr - digits);
    for (std::size_t i = width; i < 3; ++i) key.push(' ');
    key.append(std::string_view(digits, width));
    key.push(' ');
    t.remove_prefix(semi + 1);
    if (!appendTime(key, t, true)) return;
    appendTime(key, t, false);
}

}  // namespace

// The sort key of `line`, filled or cut to kKeyLength characters; `work` is scratch space.
// Only the text after " bm " is copied, with the ";;;;;" that ends every field.
void buildSortKey(KeyBuffer& key, std::string_view line, std::string& work) {
    const std::string_view trimmed = trimText(line);
    const std::size_t bm = trimmed.find(" bm ");
    if (bm != std::string_view::npos) {
        work.assign(trimmed.substr(bm + 4));
        work.append(";;;;;");
        appendKeyFields(key, work);
    }
    if (key.size < kKeyLength) {
        key.append(kKeyFill.substr(key.size));
    } else {
        key.size = kKeyLength;
    }
}

}  // namespace vestrel
