#pragma once
// The selection filters: text find/skip and replacements on the whole record, piece count,
// mate length, recorded solution time and params on the opcode text.

#include <optional>
#include <string>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

bool passesFindFilter(std::string_view record, const RunSettings& settings);
bool passesSkipFilter(std::string_view record, const RunSettings& settings);
// The longest record replacements may build.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;
// Applies the /r pairs in order; `scratch` is a reused buffer. False, with the record part
// done, when a pair would grow it past kMaxRecordBytes.
bool applyReplacements(std::string& record, const RunSettings& settings, std::string& scratch);

bool passesMateFilter(int mateLength, const RunSettings& settings);

// The five-character time the /t filter tests, or nothing when the record has none usable.
// The view points into `scratch` (or at a constant), so it lives until `scratch` changes.
// With `secondTime` the time after the second-time marker ("mm:ss @ params") is taken.
std::optional<std::string_view> recordTime(std::string_view opcodeText, bool secondTime,
                                           std::string& scratch);
bool passesTimeFilter(std::string_view opcodeText, const RunSettings& settings,
                      std::string& scratch);
bool passesParamsFilter(std::string_view opcodeText, const RunSettings& settings,
                        std::string& scratch);

}  // namespace vestrel
