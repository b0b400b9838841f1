#include "app/range_parse.h"

#include "text/text.h"

namespace vestrel {

namespace {

bool isNumber(std::string_view text) { return parseOperandNumber(text).has_value(); }

std::int32_t numberOf(std::string_view text) { return parseOperandNumber(text).value_or(0); }

bool isRangePrefix(char c) { return c == '+' || c == '-' || c == '~'; }

bool isParamsLetter(char c) {
    switch (toUpperAscii(c)) {
        case 'C':
        case 'R':
        case 'K':
        case 'P':
        case 'X':
            return true;
        default:
            return false;
    }
}

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

Range storeRange(std::string_view s, std::int32_t openUpper) {
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

bool parseParamsTerm(std::string_view term, ParamsTerm& out) {
    if (term.empty() || !isParamsLetter(term[0])) return false;
    out = ParamsTerm{};
    out.letter = toUpperAscii(term[0]);
    out.alternative = isLowerLetter(term[0]);
    std::string_view rangeText = term.substr(1);
    if (rangeText.ends_with('/')) rangeText.remove_suffix(1);
    if (rangeText.empty()) {
        out.range = {RangeKind::Unequal, 0, 0};  // a bare letter: present and not 0
        return true;
    }
    if (!checkRangeSyntax(rangeText)) return false;
    out.range = storeRange(rangeText, kParamsOpenUpperBound);
    if (out.range.kind == RangeKind::Exact) {
        // Compared as text, so "C03/" does not match "C3/".
        out.exact = true;
        out.exactText.assign(rangeText);
        out.exactText.push_back('/');
    }
    return true;
}

}  // namespace vestrel
