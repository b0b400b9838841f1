#include "base/range.h"

#include "text/text.h"

namespace vestrel {

namespace {

// Does "letter exactText" occur in the params text read without its minus signs? Compared
// in place, so nothing is allocated per record.
bool containsExactTerm(const ParamsTerm& term, std::string_view params) {
    const std::size_t need = 1 + term.exactText.size();
    for (std::size_t start = 0; start < params.size(); ++start) {
        if (params[start] == '-') continue;
        std::size_t j = start;
        std::size_t k = 0;
        for (; k < need; ++k, ++j) {
            while (j < params.size() && params[j] == '-') ++j;
            if (j >= params.size()) break;
            const char wanted = k == 0 ? term.letter : term.exactText[k - 1];
            if (params[j] != wanted) break;
        }
        if (k == need) return true;
    }
    return false;
}

// The value of the letter's entry, made non-negative; a missing letter reads as 0.
long long paramsValue(char letter, std::string_view params) {
    const std::size_t at = params.find(letter);
    if (at == std::string_view::npos) return 0;
    std::string_view rest = params.substr(at + 1);
    rest = rest.substr(0, rest.find('/'));
    const long long v = parseLeadingInteger(rest);
    return v < 0 ? -v : v;
}

}  // namespace

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
        case TimeMode::More:
            return t > std::string_view(setting.lower);
        case TimeMode::Less:
            return t < std::string_view(setting.upper);
        case TimeMode::Unequal:
            return t != std::string_view(setting.lower);
        case TimeMode::FromTo:
            break;
    }
    return std::string_view(setting.lower) <= t && t <= std::string_view(setting.upper);
}

bool matchParamsTerm(const ParamsTerm& term, std::string_view params) {
    if (term.exact) return containsExactTerm(term, params);
    const long long v = paramsValue(term.letter, params);
    return v != 0 && rangeTest(v, term.range);
}

}  // namespace vestrel
