#pragma once
// The selection filters: text find/skip and replacements on the whole record, piece count,
// mate length, recorded solution time and params on the opcode text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// Items of a find, skip or replace list (sign already removed): the texts between commas,
// with a final "," supplied when missing. Items may be empty.
std::vector<std::string> itemList(std::string_view list);
// The /r list as old=new pairs, each item split at its first "="; an item without "=" deletes.
std::vector<Replacement> replacementList(std::string_view list);

bool passesFindFilter(std::string_view record, const RunSettings& settings);
bool passesSkipFilter(std::string_view record, const RunSettings& settings);
// The longest record replacements may build.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;
// Applies the /r pairs in order; `scratch` is a reused buffer. False, with the record part
// done, when a pair would grow it past kMaxRecordBytes.
bool applyReplacements(std::string& record, const RunSettings& settings, std::string& scratch);

bool passesPieceFilter(int pieceCount, const RunSettings& settings);
bool passesMateFilter(int mateLength, const RunSettings& settings);

// The five-character time the /t filter tests, or nothing when the record has none usable.
// The view points into `scratch` (or at a constant), so it lives until `scratch` changes.
std::optional<std::string_view> recordTime(std::string_view opcodeText, char marker,
                                           std::string& scratch);
bool passesTimeFilter(std::string_view opcodeText, const RunSettings& settings,
                      std::string& scratch);
bool passesParamsFilter(std::string_view opcodeText, const RunSettings& settings,
                        std::string& scratch);

}  // namespace vestrel
