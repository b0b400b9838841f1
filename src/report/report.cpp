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

}  // namespace

void startReport(Report& report, const RunSettings& settings) {
    report = Report{};
    report.limit = std::size_t(settings.report.limit);
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
    SetAsideGroup& group = groupOf(report, verdictWord(record.tag));
    ++group.total;
    if (group.shown.size() >= report.limit) return;
    // The page shows the first 2,000 bytes of a text: no need to keep more of a huge record.
    group.shown.push_back({report.file, record.line, std::string(record.fields),
                           std::string(record.opcodes.substr(0, kKeptTextBytes)),
                           std::string(record.key),
                           std::string(record.tag.substr(0, kKeptTextBytes))});
}

void reportDatabaseLine(Report& report, std::int64_t line, std::string_view key) {
    addOrigin(report.origins, report.file, line, key);
}

}  // namespace vestrel
