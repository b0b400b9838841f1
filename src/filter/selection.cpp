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

// With sign '-' true when any item occurs; with '+' true when every item occurs. Both stop
// searching as soon as the answer is known.
bool itemsMatch(std::string_view record, char sign, const std::vector<std::string>& items) {
    if (sign == '+') {
        for (const std::string& item : items) {
            if (!containsItem(record, item)) return false;
        }
        return true;
    }
    for (const std::string& item : items) {
        if (containsItem(record, item)) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> itemList(std::string_view list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        items.emplace_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    // The supplied final comma closes one more item when the text does not end with ",";
    // an empty text is a single empty item.
    if (list.empty()) items.emplace_back();
    return items;
}

std::vector<Replacement> replacementList(std::string_view list) {
    std::vector<Replacement> pairs;
    for (const std::string& item : itemList(list)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos) {
            pairs.push_back({item, ""});
        } else {
            pairs.push_back({item.substr(0, eq), item.substr(eq + 1)});
        }
    }
    return pairs;
}

bool passesFindFilter(std::string_view record, const RunSettings& settings) {
    if (settings.findList.size() <= 1) return true;
    return itemsMatch(record, settings.findList[0], settings.findItems);
}

bool passesSkipFilter(std::string_view record, const RunSettings& settings) {
    if (settings.skipList.size() <= 1) return true;
    return !itemsMatch(record, settings.skipList[0], settings.skipItems);
}

bool applyReplacements(std::string& record, const RunSettings& settings, std::string& scratch) {
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
        replaceAllInPlace(record, r.from, r.to, scratch);
    }
    return true;
}

bool passesPieceFilter(int pieceCount, const RunSettings& settings) {
    return rangeTest(pieceCount, settings.pieceRange);
}

bool passesMateFilter(int mateLength, const RunSettings& settings) {
    if (settings.mateRange.kind == RangeKind::None) return true;
    // Plain /m is stored as "unequal 0", so a record without mate length never passes.
    if (mateLength == 0) return false;
    return rangeTest(mateLength, settings.mateRange);
}

std::optional<std::string_view> recordTime(std::string_view opcodeText, char marker,
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
    if (marker == '@') {
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

bool passesTimeFilter(std::string_view opcodeText, const RunSettings& settings,
                      std::string& scratch) {
    if (!settings.time.active) return true;
    const std::optional<std::string_view> time =
        recordTime(opcodeText, settings.time.marker, scratch);
    if (!time || *time == kUnsolvedTime) return false;
    return timeTest(*time, settings.time);
}

bool passesParamsFilter(std::string_view opcodeText, const RunSettings& settings,
                        std::string& scratch) {
    if (settings.params.empty()) return true;
    const std::size_t at = opcodeText.find(kParamsMark);
    if (at == std::string_view::npos) return false;
    if (settings.params == "@") return true;

    std::string_view field = opcodeText.substr(at + kParamsMark.size(), kMaxFieldLength);
    field = field.substr(0, field.find(';'));
    scratch.assign(field);
    scratch.push_back('/');

    // Upper-case terms are all required, lower-case terms are alternatives; the list is read
    // strictly left to right and the last term's case decides when nothing stopped it.
    std::string_view terms = settings.params;
    bool lastUpper = true;
    while (!terms.empty()) {
        std::size_t end = terms.find('/');
        end = end == std::string_view::npos ? terms.size() : end + 1;
        const std::string_view term = terms.substr(0, end);
        terms.remove_prefix(end);
        lastUpper = !isLowerLetter(term[0]);
        const bool holds = matchParamsTerm(term, scratch);
        if (lastUpper && !holds) return false;
        if (!lastUpper && holds) return true;
    }
    return lastUpper;
}

}  // namespace vestrel
