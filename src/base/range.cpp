#include "base/range.h"

#include "text/text.h"

namespace vestrel {

namespace {

bool isNumber(std::string_view text) { return parseOperandNumber(text).has_value(); }

std::int32_t numberOf(std::string_view text) { return parseOperandNumber(text).value_or(0); }

bool isRangePrefix(char c) { return c == '+' || c == '-' || c == '~'; }

}  // namespace

bool checkRangeSyntax(std::string_view s) {
    if (s.empty()) return false;
    std::size_t dash = s.find('-');
    if (dash != std::string_view::npos && !isRangePrefix(s[0])) {
        if (!isNumber(s.substr(0, dash))) return false;
        std::string_view upper = s.substr(dash + 1);
        return upper.empty() || isNumber(upper);
    }
    if (s[0] == '~') return isNumber(s.substr(1));
    return isNumber(s);
}

Range storeRange(std::string_view s, int openUpper) {
    Range r;
    if (s.empty()) return r;
    switch (s[0]) {
        case '+':
            r.kind = RangeKind::More;
            r.x = numberOf(s.substr(1));
            return r;
        case '-':
            r.kind = RangeKind::Less;
            r.x = numberOf(s.substr(1));
            return r;
        case '~':
            r.kind = RangeKind::Unequal;
            r.x = numberOf(s.substr(1));
            return r;
        default:
            break;
    }
    std::size_t dash = s.find('-');
    if (dash != std::string_view::npos) {
        r.kind = RangeKind::FromTo;
        r.x = numberOf(s.substr(0, dash));
        std::string_view upper = s.substr(dash + 1);
        r.z = upper.empty() ? openUpper : numberOf(upper);
        return r;
    }
    r.kind = RangeKind::Exact;
    r.x = numberOf(s);
    return r;
}

bool rangeTest(long long v, const Range& range) {
    switch (range.kind) {
        case RangeKind::None:
            return true;
        case RangeKind::More:
            return v > range.x;
        case RangeKind::Less:
            return v < range.x;
        case RangeKind::Unequal:
            return v != range.x;
        case RangeKind::Exact:
            return v == range.x;
        case RangeKind::FromTo:
            return range.x <= v && v <= range.z;
    }
    return true;
}

bool timeTest(std::string_view t, const TimeSetting& setting) {
    switch (setting.mode) {
        case '+':
            return t > std::string_view(setting.lower);
        case '-':
            return t < std::string_view(setting.upper);
        case '~':
            return t != std::string_view(setting.lower);
        default:
            return std::string_view(setting.lower) <= t && t <= std::string_view(setting.upper);
    }
}

bool matchParamsTerm(std::string_view term, std::string_view params) {
    if (term.size() < 2) return false;
    const char letter = toUpperAscii(term[0]);
    std::string_view body = term.substr(1);  // range text and the closing "/"
    if (body[0] == '/') body = "~0/";
    if (!isRangePrefix(body[0]) && body.find('-') == std::string_view::npos) {
        // Exact form: "letter number /" must occur in the params text read without its
        // minus signs. Compared in place, so nothing is allocated per record.
        const std::size_t need = 1 + body.size();
        for (std::size_t start = 0; start < params.size(); ++start) {
            if (params[start] == '-') continue;
            std::size_t j = start;
            std::size_t k = 0;
            for (; k < need; ++k, ++j) {
                while (j < params.size() && params[j] == '-') ++j;
                if (j >= params.size()) break;
                const char wanted = k == 0 ? letter : toUpperAscii(body[k - 1]);
                if (params[j] != wanted) break;
            }
            if (k == need) return true;
        }
        return false;
    }
    // The value of the letter's entry, made non-negative; a missing letter reads as 0.
    long long v = 0;
    std::size_t at = params.find(letter);
    if (at != std::string_view::npos) {
        std::string_view rest = params.substr(at + 1);
        rest = rest.substr(0, rest.find('/'));
        v = parseLeadingInteger(rest);
        if (v < 0) v = -v;
    }
    if (v == 0) return false;
    std::string_view rangeText = body.substr(0, body.size() - 1);  // without the closing "/"
    switch (rangeText[0]) {
        case '+':
            return v > numberOf(rangeText.substr(1));
        case '-':
            return v < numberOf(rangeText.substr(1));
        case '~':
            return v != numberOf(rangeText.substr(1));
        default: {
            Range r = storeRange(rangeText, 222);
            return r.x <= v && v <= r.z;
        }
    }
}

}  // namespace vestrel
