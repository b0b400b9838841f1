#include "report/report.h"

namespace vestrel {

namespace {

constexpr std::size_t kKeptTextBytes = 4096;

SetAsideGroup& groupOf(Report& report, std::string_view word) {
    for (SetAsideGroup& group : report.groups) {
        if (group.word == word) return group;
    }
    SetAsideGroup& group = report.groups.emplace_back();
    group.word = std::string(word);
    group.kind = kindOfWord(word);
    return group;
}

// Counts a record under the verdict word of its id text and keeps it while the kind has room.
void keepRecord(Report& report, std::int64_t line, std::string_view fields,
                std::string_view opcodes, std::string_view key, std::string_view tag) {
    SetAsideGroup& group = groupOf(report, verdictWord(tag));
    ++group.total;
    if (group.shown.size() >= report.limit) return;
    // The page shows the first 2,000 bytes of a text: no need to keep more of a huge record.
    group.shown.push_back({report.file, line, std::string(fields),
                           std::string(opcodes.substr(0, kKeptTextBytes)), std::string(key),
                           std::string(tag.substr(0, kKeptTextBytes))});
}

}  // namespace

void startReport(Report& report, const RunSettings& settings) {
    report = Report{};
    report.limit = std::size_t(settings.report.limit);
    report.verifying = settings.verify.maxMoves > 0;
}

void beginReportFile(Report& report, std::string_view name, bool database) {
    report.file = std::uint32_t(report.files.size());
    report.files.push_back({std::string(name), database});
}

void reportRecord(Report& report, const ReportRecord& record) {
    ++report.records;
    if (record.stored) addOrigin(report.origins, report.file, record.line, record.key);
    if (!record.marked) {
        countRecord(report.passed, record.fields, record.opcodes, record.pieces);
        return;
    }
    keepRecord(report, record.line, record.fields, record.opcodes, record.key, record.tag);
}

void reportDatabaseLine(Report& report, std::int64_t line, std::string_view key) {
    addOrigin(report.origins, report.file, line, key);
}

void reportVerdict(Report& report, std::int64_t line, std::string_view fields,
                   std::string_view opcodes, std::string_view verdict) {
    const std::string_view word = verdictWord(verdict);
    for (std::size_t i = 0; i < kVerdictWords.size(); ++i) {
        if (kVerdictWords[i] == word) ++report.verdicts[i];
    }
    if (word != kVerdictWords[0]) keepRecord(report, line, fields, opcodes, {}, verdict);
}

}  // namespace vestrel
