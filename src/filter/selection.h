#pragma once
// The selection filters: text find/skip and replacements on the whole record, piece count,
// mate length, recorded solution time and params on the opcode text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// What the selection filters take from the options; each one is off in its default state.
struct SelectionSettings {
    TextList find;                          // /f (any), /F (all)
    TextList skip;                          // /s (any), /S (all)
    std::vector<Replacement> replacements;  // /r, in list order
    Range mateRange;                        // /m
    TimeSetting time;                       // /t
    ParamsSetting params;                   // /@ and /q
};

bool passesFindFilter(std::string_view record, const SelectionSettings& settings);
bool passesSkipFilter(std::string_view record, const SelectionSettings& settings);
// The longest record replacements may build.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;
// Applies the /r pairs in order; `scratch` is a reused buffer. False, with the record part
// done, when a pair would grow it past kMaxRecordBytes.
bool applyReplacements(std::string& record, const SelectionSettings& settings,
                       std::string& scratch);

bool passesMateFilter(int mateLength, const SelectionSettings& settings);

// The five-character time the /t filter tests, or nothing when the record has none usable.
// The view points into `scratch` (or at a constant), so it lives until `scratch` changes.
// With `secondTime` the time after the second-time marker ("mm:ss @ params") is taken.
std::optional<std::string_view> recordTime(std::string_view opcodeText, bool secondTime,
                                           std::string& scratch);
// Does a five-character time pass the /t setting? Times compare as texts.
bool timeTest(std::string_view time, const TimeSetting& setting);
bool passesTimeFilter(std::string_view opcodeText, const SelectionSettings& settings,
                      std::string& scratch);

// Does one params term hold for a record's params text (its entries, each ended by "/")?
bool matchParamsTerm(const ParamsTerm& term, std::string_view params);
bool passesParamsFilter(std::string_view opcodeText, const SelectionSettings& settings,
                        std::string& scratch);

}  // namespace vestrel
