#pragma once
// The HTML report of a record run (--report=FILE): what the run read and wrote, plots of the
// collection, and every record set aside drawn beside the earlier record it repeats, or with
// the reason it was refused. One self-contained page: inline CSS and SVG, no script, nothing
// fetched.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"
#include "base/settings.h"
#include "report/collection_stats.h"
#include "report/origin_index.h"
#include "report/set_aside_kind.h"

namespace vestrel {

// One record at the duplicate, mirror and legality tests, as the run flow hands it over.
struct ReportRecord {
    std::string_view fields;   // the four position fields
    std::string_view opcodes;  // the opcode text
    std::string_view key;      // the position key
    std::int64_t line = 0;     // its line in the current file
    bool stored = false;       // the seen-position set stored its key
    bool marked = false;       // the tests set it aside
    std::string_view tag;      // for a marked record: the text of its id tag
    int pieces = -1;           // the placement's piece count when already known
};

struct SetAsideRecord {
    std::uint32_t file = 0;
    std::int64_t line = 0;
    std::string fields;
    std::string opcodes;
    std::string key;
    std::string tag;
};

// The records set aside under one verdict word, the first `limit` of them kept.
struct SetAsideGroup {
    std::string word;
    SetAsideKind kind = SetAsideKind::Other;
    std::int64_t total = 0;
    std::vector<SetAsideRecord> shown;
};

struct ReportSource {
    std::string name;
    bool database = false;
};

struct Report {
    std::size_t limit = 500;
    std::vector<ReportSource> files;  // inputs (and the database), in the order read
    std::uint32_t file = 0;           // the file records come from now
    std::int64_t records = 0;         // records at the tests
    OriginIndex origins;
    std::vector<SetAsideGroup> groups;  // in the order first met
    CollectionStats passed;             // records that passed the tests
    // --verify: the verdicts on the records that passed, counted in kVerdictWords order.
    bool verifying = false;
    std::array<std::int64_t, kVerdictWords.size()> verdicts{};
};

// What the run flow knows at its end.
struct ReportSummary {
    std::int64_t lines = 0;       // input lines read
    std::int64_t written = 0;     // the closing report's count of EPD lines
    std::int64_t duplicates = 0;  // and its duplicate and illegal counts
    std::int64_t illegal = 0;
    std::string elapsed;  // seconds with two decimals
};

void startReport(Report& report, const RunSettings& settings);
// Records and database lines from now on come from this file.
void beginReportFile(Report& report, std::string_view name, bool database = false);
void reportRecord(Report& report, const ReportRecord& record);
// A line of the database whose key the preload stored.
void reportDatabaseLine(Report& report, std::int64_t line, std::string_view key);
// The --verify verdict on a record that passed the tests, given by its id text ("sound",
// "cooked: Qh8#, Qb7#", ...), in input order after the record itself.
void reportVerdict(Report& report, std::int64_t line, std::string_view fields,
                   std::string_view opcodes, std::string_view verdict);

// Writes the page. The date is today's, in UTC.
void writeReportPage(const Report& report, const RunSettings& settings,
                     const ReportSummary& summary, BufferedWriter& out);

}  // namespace vestrel
