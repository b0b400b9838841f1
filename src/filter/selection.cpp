#include "filter/selection.h"

#include "base/range.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kMaxFieldLength = 255;
constexpr std::string_view kTimePadding = ";;;;;";
constexpr std::string_view kHoursTime = "99:99";
constexpr std::string_view kUnsolvedTime = "--:--";
constexpr std::string_view kParamsMark = " @ ";

// An empty item is never found, so "a,,b" with "+" can never hold for every item.
bool containsItem(std::string_view record, std::string_view item) {
    return !item.empty() && record.find(item) != std::string_view::npos;
}

// With "any" true when any item occurs; with "all" true when every item occurs. Both stop
// searching as soon as the answer is known.
bool itemsMatch(std::string_view record, const TextList& list) {
    if (list.match == ListMatch::All) {
        for (const std::string& item : list.items) {
            if (!containsItem(record, item)) return false;
        }
        return true;
    }
    for (const std::string& item : list.items) {
        if (containsItem(record, item)) return true;
    }
    return false;
}

// Does "letter exactText" occur in the params text read without its minus signs? Comparing
// in place instead of in a copy saved only 0.5% of the instructions of "bench.epd /@C1/"
// (bench/instructions.sh).
bool containsExactTerm(const ParamsTerm& term, std::string_view params) {
    std::string plain;
    for (char c : params) {
        if (c != '-') plain.push_back(c);
    }
    return plain.find(term.letter + term.exactText) != std::string::npos;
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

bool passesFindFilter(std::string_view record, const SelectionSettings& settings) {
    if (settings.find.items.empty()) return true;
    return itemsMatch(record, settings.find);
}

bool passesSkipFilter(std::string_view record, const SelectionSettings& settings) {
    if (settings.skip.items.empty()) return true;
    return !itemsMatch(record, settings.skip);
}

bool applyReplacements(std::string& record, const SelectionSettings& settings,
                       std::string& scratch) {
    for (const Replacement& r : settings.replacements) {
        if (r.from.empty() || record.find(r.from) == std::string::npos) continue;
        if (r.to.size() > r.from.size()) {
            // Count the hits first: a few growing pairs would otherwise double the record each.
            std::size_t hits = 0;
            for (std::size_t at = record.find(r.from); at != std::string::npos;
                 at = record.find(r.from, at + r.from.size())) {
                ++hits;
            }
            const std::size_t growth = r.to.size() - r.from.size();
            if (record.size() > kMaxRecordBytes ||
                hits > (kMaxRecordBytes - record.size()) / growth) {
                return false;
            }
        }
        replaceAll(record, r.from, r.to, scratch);
    }
    return true;
}

bool passesMateFilter(int mateLength, const SelectionSettings& settings) {
    if (settings.mateRange.kind == RangeKind::None) return true;
    // Plain /m is stored as "unequal 0", so a record without mate length never passes.
    if (mateLength == 0) return false;
    return rangeTest(mateLength, settings.mateRange);
}

std::optional<std::string_view> recordTime(std::string_view opcodeText, bool secondTime,
                                           std::string& scratch) {
    // Positions below are 0-based; a colon needs two characters in front of it.
    const std::size_t colon = opcodeText.find(':');
    if (colon == std::string_view::npos || colon < 2) return std::nullopt;
    scratch.assign(opcodeText.substr(colon - 2, kMaxFieldLength));
    scratch.append(kTimePadding);
    std::string_view t = scratch;

    // "hh:mm:ss" has its second colon as sixth character; it may take three more before ";".
    const std::size_t hours = t[5] == ':' ? 3 : 0;
    const std::size_t semicolon = t.find(';');  // the padding guarantees one
    const bool shortField = semicolon + 1 <= hours + 7;
    if (secondTime) {
        // The time after the second-time marker stands in a later field ("mm:ss @ params").
        if (shortField) t.remove_prefix(semicolon + 1);
    } else if (!shortField) {
        return std::nullopt;
    }

    const std::size_t colon2 = t.find(':');
    if (colon2 == std::string_view::npos || colon2 < 2) return std::nullopt;
    if (colon2 + 3 < t.size() && t[colon2 + 3] == ':') return kHoursTime;
    return t.substr(colon2 - 2, 5);
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

bool passesTimeFilter(std::string_view opcodeText, const SelectionSettings& settings,
                      std::string& scratch) {
    if (!settings.time.active) return true;
    const std::optional<std::string_view> time =
        recordTime(opcodeText, settings.time.secondTime, scratch);
    if (!time || *time == kUnsolvedTime) return false;
    return timeTest(*time, settings.time);
}

bool matchParamsTerm(const ParamsTerm& term, std::string_view params) {
    if (term.exact) return containsExactTerm(term, params);
    const long long v = paramsValue(term.letter, params);
    return v != 0 && rangeTest(v, term.range);
}

bool passesParamsFilter(std::string_view opcodeText, const SelectionSettings& settings,
                        std::string& scratch) {
    if (settings.params.mode == ParamsMode::Off) return true;
    const std::size_t at = opcodeText.find(kParamsMark);
    if (at == std::string_view::npos) return false;
    if (settings.params.mode == ParamsMode::Present) return true;

    std::string_view field = opcodeText.substr(at + kParamsMark.size(), kMaxFieldLength);
    field = field.substr(0, field.find(';'));
    scratch.assign(field);
    scratch.push_back('/');

    // Upper-case terms are all required, lower-case terms are alternatives; the list is read
    // strictly left to right and the last term's case decides when nothing stopped it.
    bool lastRequired = true;
    for (const ParamsTerm& term : settings.params.terms) {
        lastRequired = !term.alternative;
        const bool holds = matchParamsTerm(term, scratch);
        if (lastRequired && !holds) return false;
        if (!lastRequired && holds) return true;
    }
    return lastRequired;
}

}  // namespace vestrel
