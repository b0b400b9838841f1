// The report page: header, plots and the sections of records set aside.

#include <algorithm>
#include <chrono>
#include <optional>

#include "report/chart.h"
#include "report/diagram.h"
#include "report/html_text.h"
#include "report/line_fetch.h"
#include "report/reason_text.h"
#include "report/report.h"
#include "text/text.h"

namespace vestrel {

namespace {

// Longest record text shown in full; longer ones are cut.
constexpr std::size_t kShownTextBytes = 2000;
constexpr std::size_t kTitleBytes = 300;

constexpr std::string_view kPageStyle =
    "*{box-sizing:border-box}"
    "body{font:15px/1.45 system-ui,-apple-system,\"Segoe UI\",sans-serif;color:#1a1a1a;"
    "background:#fff;margin:0 auto;max-width:72em;padding:1.2em;"
    "-webkit-print-color-adjust:exact;print-color-adjust:exact}"
    "h1{font-size:1.7em;margin:.2em 0 .4em}"
    "h2{font-size:1.3em;margin:1.8em 0 .5em;padding-bottom:.2em;border-bottom:2px solid #ccc}"
    "dl.facts{display:grid;grid-template-columns:max-content 1fr;gap:.15em 1em;margin:0 0 1em}"
    "dl.facts dt{font-weight:600}dl.facts dd{margin:0}"
    "table.counts{border-collapse:collapse;margin:.5em 0 1em}"
    "table.counts td{padding:.15em 1em .15em 0;border-bottom:1px solid #eee}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}"
    ".plots{display:grid;grid-template-columns:repeat(auto-fill,minmax(22em,1fr));gap:1em 2em}"
    ".entry{border:1px solid #d8d8d8;border-radius:4px;padding:.6em .8em;margin:.8em 0;"
    "break-inside:avoid}"
    ".entry>p{margin:0 0 .5em}"
    ".pair{display:flex;flex-wrap:wrap;gap:1.2em}"
    ".side{flex:0 1 16em;min-width:12em}"
    ".side p{margin:.25em 0;font-size:.85em}"
    "code{font:.8em/1.35 ui-monospace,Menlo,Consolas,monospace;overflow-wrap:anywhere}"
    ".note{color:#555}"
    "@media print{body{max-width:none;padding:0;font-size:11pt}nav{display:none}"
    "h2{break-after:avoid}}";

bool databaseRun(const RunSettings& settings) {
    return settings.databaseMode == DatabaseMode::Compare ||
           settings.databaseMode == DatabaseMode::Update;
}

void appendWhere(std::string& out, const Report& report, std::uint32_t file, std::int64_t line) {
    if (file < report.files.size()) appendEscaped(out, report.files[file].name);
    out.append(", line ");
    appendNumber(out, line);
}

std::string_view sideToMove(std::string_view fields) {
    cutField(fields);
    const std::string_view side = cutField(fields);
    if (side == "w") return "White to move";
    if (side == "b") return "Black to move";
    return "no side to move";
}

// One board with what is written under it: its caption, where it comes from and its EPD line.
void appendSide(std::string& out, std::string_view caption, std::string_view fields,
                std::string_view text, std::uint64_t highlight) {
    out.append("<div class=\"side\">");
    std::string_view shownFields = fields.substr(0, kTitleBytes);
    if (!appendDiagram(out, shownFields, highlight)) {
        out.append("<p class=\"note\">No diagram: the placement is not 8 ranks of 8 squares.</p>");
    }
    out.append("<p>");
    out.append(caption);
    out.append(" &#183; ");
    out.append(sideToMove(fields));
    out.append("</p><p><code>");
    appendEscapedCut(out, text, kShownTextBytes);
    out.append("</code></p></div>");
}

std::string epdLine(std::string_view fields, std::string_view opcodes) {
    std::string line(fields);
    if (!opcodes.empty()) {
        line.push_back(' ');
        line.append(opcodes);
    }
    return line;
}

bool hasPawn(std::string_view fields) {
    const std::string_view placement = fields.substr(0, fields.find(' '));
    return placement.find_first_of("Pp") != std::string_view::npos;
}

std::string whereText(const Report& report, std::uint32_t file, std::int64_t line) {
    std::string text;
    appendWhere(text, report, file, line);
    return text;
}

// The four position fields at the start of a key.
std::string_view positionFieldsOf(std::string_view key) {
    std::size_t end = 0;
    for (int blanks = 0; end < key.size(); ++end) {
        if (key[end] == ' ' && ++blanks == 4) break;
    }
    return key.substr(0, end);
}

void appendRepeatEntry(std::string& out, const Report& report, const SetAsideGroup& group,
                       const SetAsideRecord& record, const Origin& origin,
                       const std::optional<std::string>& earlierLine, std::string_view earlierKey) {
    const std::string here = whereText(report, record.file, record.line);
    const std::string text = epdLine(record.fields, record.opcodes);
    const bool pawns = hasPawn(record.fields);
    out.append("<div class=\"entry\"><p><b>");
    out.append(here);
    if (origin.found && origin.file == record.file && origin.line == record.line) {
        out.append("</b> is its own image, ");
        out.append(symmetryInWords(group.kind, pawns));
        out.append(": it is set aside the first time it is seen.</p><div class=\"pair\">");
        appendSide(out, "Set aside: " + here, record.fields, text, 0);
    } else {
        out.append("</b> is ");
        out.append(kindInWords(group.kind, pawns));
        if (origin.found) {
            out.append(" as <b>");
            out.append(whereText(report, origin.file, origin.line));
            out.append("</b>.");
        } else {
            out.append(" as an earlier record that the report cannot name.");
        }
        out.append("</p><div class=\"pair\">");
        appendSide(out, "Set aside: " + here, record.fields, text, 0);
        // The earlier position is drawn from its key, which the record's key leads to.
        const std::string_view fields = positionFieldsOf(earlierKey);
        if (origin.found) {
            // The earlier line as its file holds it; its position fields when it is gone.
            appendSide(out, "Earlier: " + whereText(report, origin.file, origin.line), fields,
                       earlierLine ? std::string_view(*earlierLine) : fields, 0);
        } else {
            appendSide(out, "Earlier position", fields, fields, 0);
        }
    }
    out.append("</div></div>");
    out.append(kLineEnd);
}

// What the page adds to a record's id text: why the position is illegal (for "illegal" and
// "unchecked: illegal: ..."), what a verdict of --verify means, and the squares to mark.
ReasonText reasonOf(const SetAsideGroup& group, const SetAsideRecord& record) {
    const std::string_view detail = verdictDetail(record.tag);
    if (group.kind == SetAsideKind::Illegal) return explainIllegal(record.fields, detail);
    ReasonText text;
    if (!isVerdict(group.kind)) return text;
    text.html.append("</p><p>");
    text.html.append(verdictInWords(group.kind));
    if (group.kind == SetAsideKind::Unchecked && !uncheckedInWords(detail).empty()) {
        text.html.push_back(' ');
        text.html.append(uncheckedInWords(detail));
    }
    if (group.kind == SetAsideKind::Unchecked && verdictWord(detail) == "illegal") {
        ReasonText illegal = explainIllegal(record.fields, verdictDetail(detail));
        text.html.append(illegal.html);
        text.squares = illegal.squares;
    } else if (group.kind == SetAsideKind::Cooked || group.kind == SetAsideKind::Short) {
        text.squares = keySquares(record.fields, detail);
        if (text.squares != 0) text.html.append(" Marked: the squares each key moves from and to.");
    }
    return text;
}

// A record refused or judged by a test of its own: its id text, and what the page can say
// about it beyond that.
void appendReasonEntry(std::string& out, const Report& report, const SetAsideGroup& group,
                       const SetAsideRecord& record) {
    const std::string here = whereText(report, record.file, record.line);
    const ReasonText reason = reasonOf(group, record);
    out.append("<div class=\"entry\"><p><b>");
    out.append(here);
    out.append("</b>: <q>");
    appendEscapedCut(out, record.tag, kShownTextBytes);
    out.append("</q>");
    out.append(reason.html);
    out.append("</p><div class=\"pair\">");
    appendSide(out, std::string(isVerdict(group.kind) ? "Record: " : "Set aside: ") + here,
               record.fields, epdLine(record.fields, record.opcodes), reason.squares);
    out.append("</div></div>");
    out.append(kLineEnd);
}

// The groups in the order the page shows them: the known kinds in a fixed order, the other
// verdicts in the order first met.
std::vector<std::size_t> groupOrder(const Report& report) {
    std::vector<std::size_t> order(report.groups.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&report](std::size_t a, std::size_t b) {
        return report.groups[a].kind < report.groups[b].kind;
    });
    return order;
}

std::string groupAnchor(std::size_t index) {
    return "k" + decimalText(static_cast<long long>(index) + 1);
}

// What the page knows about the earlier records, in the order of their keys.
struct Earlier {
    std::vector<std::string> keys;
    std::vector<Origin> origins;
    std::vector<std::optional<std::string>> lines;
};

// The bytes gathered before they are written: a group's section is written as it grows, so
// that the page never takes more memory than this and an entry.
constexpr std::size_t kPassBytes = std::size_t{1} << 16;

// Writes what is gathered once it is large.
void pass(std::string& page, BufferedWriter& out, bool last = false) {
    if (!last && page.size() < kPassBytes) return;
    writeBytes(out, page);
    page.clear();
}

void appendGroupSection(std::string& out, BufferedWriter& writer, const Report& report,
                        std::size_t index, const SetAsideGroup& group, const Earlier& earlier,
                        std::size_t firstKey) {
    out.append("<section id=\"");
    out.append(groupAnchor(index));
    out.append("\"><h2>");
    out.append(kindHeading(group.kind, group.word));
    out.append(" (");
    appendNumber(out, group.total);
    out.append(")</h2>");
    if (std::int64_t(group.shown.size()) < group.total) {
        out.append("<p class=\"note\">Showing the first ");
        appendNumber(out, std::int64_t(group.shown.size()));
        out.append(" of ");
        appendNumber(out, group.total);
        out.append(" (--report-limit=");
        appendNumber(out, std::int64_t(report.limit));
        out.append(").</p>");
    }
    out.append(kLineEnd);
    std::size_t key = firstKey;
    for (const SetAsideRecord& record : group.shown) {
        if (repeatsEarlier(group.kind)) {
            appendRepeatEntry(out, report, group, record, earlier.origins[key], earlier.lines[key],
                              earlier.keys[key]);
            ++key;
        } else {
            appendReasonEntry(out, report, group, record);
        }
        pass(out, writer);
    }
    out.append("</section>");
    out.append(kLineEnd);
}

// Today's date and time in UTC, as a <time> element.
void appendDate(std::string& out) {
    using namespace std::chrono;
    const auto now = floor<minutes>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<minutes> time{now - day};
    std::string text;
    const auto two = [&text](unsigned n) {
        text.push_back(char('0' + n / 10 % 10));
        text.push_back(char('0' + n % 10));
    };
    appendNumber(text, int(date.year()));
    text.push_back('-');
    two(unsigned(date.month()));
    text.push_back('-');
    two(unsigned(date.day()));
    text.push_back('T');
    two(unsigned(time.hours().count()));
    text.push_back(':');
    two(unsigned(time.minutes().count()));
    out.append("<time datetime=\"");
    out.append(text);
    out.append("Z\">");
    text[10] = ' ';
    out.append(text);
    out.append(" UTC</time>");
}

std::string_view writtenLabel(const RunSettings& settings) {
    if (settings.databaseMode == DatabaseMode::Compare) return "EPD lines missing in ";
    if (settings.databaseMode == DatabaseMode::Update) {
        return settings.noOutput ? "Records missing in " : "EPD lines appended to ";
    }
    return settings.noOutput ? "Records accepted (/0: none written)" : "EPD lines written";
}

void appendCountRow(std::string& out, std::string_view label, std::int64_t count,
                    std::string_view anchor = {}) {
    out.append("<tr><td>");
    if (!anchor.empty()) {
        out.append("<a href=\"#");
        out.append(anchor);
        out.append("\">");
    }
    out.append(label);
    if (!anchor.empty()) out.append("</a>");
    out.append("</td><td class=\"n\">");
    appendNumber(out, count);
    out.append("</td></tr>");
}

// The --verify verdicts on the records that passed the tests: each word with its count, the
// sections of those not sound linked.
void appendVerdictCounts(std::string& out, const Report& report) {
    std::int64_t verified = 0;
    for (std::int64_t count : report.verdicts) verified += count;
    appendCountRow(out, "Stipulations verified (--verify)", verified);
    appendCountRow(out, "Sound: exactly one key or solution", report.verdicts[0]);
    for (std::size_t v = 1; v < kVerdictWords.size(); ++v) {
        const SetAsideKind kind = kindOfWord(kVerdictWords[v]);
        std::string anchor;
        for (std::size_t i = 0; i < report.groups.size(); ++i) {
            if (report.groups[i].kind == kind) anchor = groupAnchor(i);
        }
        appendCountRow(out, kindHeading(kind, kVerdictWords[v]), report.verdicts[v], anchor);
    }
}

void appendFacts(std::string& out, const Report& report, const RunSettings& settings,
                 const ReportSummary& summary) {
    out.append("<dl class=\"facts\"><dt>Input</dt><dd>");
    bool first = true;
    for (const ReportSource& file : report.files) {
        if (file.database) continue;  // named below
        if (!first) out.append(", ");
        appendEscaped(out, file.name);
        first = false;
    }
    if (databaseRun(settings)) {
        out.append("</dd><dt>Database</dt><dd>");
        appendEscaped(out, settings.databaseFileName());
    }
    out.append("</dd><dt>Command line</dt><dd><code>vestrel");
    for (const std::string& argument : settings.report.arguments) {
        out.push_back(' ');
        appendEscapedCut(out, argument, kShownTextBytes);
    }
    out.append("</code></dd><dt>Date</dt><dd>");
    appendDate(out);
    out.append("</dd><dt>Elapsed</dt><dd><time datetime=\"PT");
    out.append(summary.elapsed);
    out.append("S\">");
    out.append(summary.elapsed);
    out.append(" sec</time></dd></dl>");
    out.append(kLineEnd);
}

void appendCounts(std::string& out, const Report& report, const RunSettings& settings,
                  const ReportSummary& summary) {
    out.append("<table class=\"counts\">");
    appendCountRow(out, "Input lines read", summary.lines);
    appendCountRow(out, "Records tested for repeats and legality", report.records);
    std::string label(writtenLabel(settings));
    if (databaseRun(settings) && label.back() == ' ')
        appendEscaped(label, settings.databaseFileName());
    appendCountRow(out, label, summary.written);
    if (!databaseRun(settings)) {
        appendCountRow(out, "Duplicates and mirror images (duplicate=)", summary.duplicates);
        appendCountRow(out, "Illegal positions (illegal=)", summary.illegal);
    }
    std::int64_t mirrors = 0;
    for (const SetAsideGroup& group : report.groups) {
        if (repeatsEarlier(group.kind) && group.kind != SetAsideKind::Duplicate)
            mirrors += group.total;
    }
    if (mirrors != 0) appendCountRow(out, "Mirror images of all kinds", mirrors);
    bool setAside = false;  // a record the tests set aside, not only a verdict
    for (std::size_t i : groupOrder(report)) {
        const SetAsideGroup& group = report.groups[i];
        if (report.verifying && isVerdict(group.kind)) continue;  // counted below
        appendCountRow(out, kindHeading(group.kind, group.word), group.total, groupAnchor(i));
        setAside = true;
    }
    if (report.verifying) appendVerdictCounts(out, report);
    out.append("</table>");
    if (databaseRun(settings) && setAside) {
        out.append(
            "<p class=\"note\">With /u= and /u+ the records set aside are neither logged "
            "nor counted; they are shown here all the same.</p>");
    }
    out.append(kLineEnd);
}

void appendPlots(std::string& out, const Report& report, const RunSettings& settings) {
    const CollectionStats& stats = report.passed;
    std::string whose = " of the ";
    appendNumber(whose, stats.records);
    whose.append(stats.records == 1 ? " record " : " records ");
    if (settings.databaseMode == DatabaseMode::Update && !settings.noOutput) {
        whose.append("appended to ");
    } else if (databaseRun(settings)) {
        whose.append("missing in ");
    } else {
        whose.append(settings.noOutput ? "accepted" : "written");
    }
    if (databaseRun(settings)) appendEscaped(whose, settings.databaseFileName());
    out.append("<section id=\"plots\"><h2>The collection</h2>");
    if (stats.records == 0) {
        out.append("<p class=\"note\">No record passed the tests.</p></section>");
        out.append(kLineEnd);
        return;
    }
    out.append("<div class=\"plots\">");
    std::vector<Bar> bars;
    for (const auto& [code, count] : sortedStipulations(stats)) {
        bars.push_back({stipulationText(code), count});
    }
    appendBarChart(out, "Stipulations" + whose, bars);
    bars.clear();
    std::size_t low = 0;
    std::size_t high = kPieceClasses;
    while (low < high && stats.pieces[low] == 0) ++low;
    while (high > low && stats.pieces[high - 1] == 0) --high;
    for (std::size_t n = low; n < high; ++n) {
        bars.push_back({n + 1 == kPieceClasses ? "more" : decimalText(static_cast<long long>(n)),
                        stats.pieces[n]});
    }
    appendBarChart(out, "Pieces on the board" + whose, bars);
    bars.clear();
    for (std::size_t c = 0; c < kTimeClasses; ++c) {
        bars.push_back({std::string(timeClassText(TimeClass(c))), stats.times[c]});
    }
    appendBarChart(out, "Recorded solution times" + whose, bars);
    out.append("</div></section>");
    out.append(kLineEnd);
}

void appendHead(std::string& out, const Report& report) {
    out.append("<!DOCTYPE html>");
    out.append(kLineEnd);
    out.append(
        "<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Vestrel report");
    if (!report.files.empty()) {
        out.append(": ");
        appendEscapedCut(out, report.files.back().name, kTitleBytes);
    }
    out.append("</title><style>");
    out.append(kPageStyle);
    out.append(diagramStyle());
    out.append(chartStyle());
    out.append("</style></head><body>");
    out.append(kLineEnd);
}

// The keys of the earlier records of every repeat shown, in page order.
std::vector<std::string> earlierKeys(const Report& report) {
    std::vector<std::string> keys;
    for (const SetAsideGroup& group : report.groups) {
        if (!repeatsEarlier(group.kind)) continue;
        for (const SetAsideRecord& record : group.shown) {
            std::string& key = keys.emplace_back();
            if (!earlierKey(group.kind, record.key, key)) key.clear();
        }
    }
    return keys;
}

// The lines of the earlier records, read again from their files, in the order of `origins`.
std::vector<std::optional<std::string>> fetchEarlierLines(const Report& report,
                                                          const std::vector<Origin>& origins) {
    std::vector<std::optional<std::string>> texts(origins.size());
    for (std::uint32_t file = 0; file < report.files.size(); ++file) {
        std::vector<std::int64_t> lines;
        for (const Origin& origin : origins) {
            if (origin.found && origin.file == file) lines.push_back(origin.line);
        }
        if (lines.empty()) continue;
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        // One byte over the shown length, so that a longer line is shown cut.
        const auto fetched = fetchLines(report.files[file].name, lines, kShownTextBytes + 1);
        for (std::size_t i = 0; i < origins.size(); ++i) {
            if (!origins[i].found || origins[i].file != file) continue;
            const auto at = std::lower_bound(lines.begin(), lines.end(), origins[i].line);
            texts[i] = fetched[std::size_t(at - lines.begin())];
        }
    }
    return texts;
}

}  // namespace

void writeReportPage(const Report& report, const RunSettings& settings,
                     const ReportSummary& summary, BufferedWriter& out) {
    std::string page;
    page.reserve(2 * kPassBytes);
    appendHead(page, report);
    appendDiagramDefinitions(page);
    page.append("<header><h1>Vestrel report</h1>");
    appendFacts(page, report, settings, summary);
    appendCounts(page, report, settings, summary);
    page.append("</header>");
    page.append(kLineEnd);
    appendPlots(page, report, settings);
    pass(page, out);
    Earlier earlier;
    earlier.keys = earlierKeys(report);
    earlier.origins = findOrigins(report.origins, earlier.keys);
    earlier.lines = fetchEarlierLines(report, earlier.origins);
    std::vector<std::size_t> firstKey(report.groups.size(), 0);
    for (std::size_t i = 0, key = 0; i < report.groups.size(); ++i) {
        firstKey[i] = key;
        if (repeatsEarlier(report.groups[i].kind)) key += report.groups[i].shown.size();
    }
    for (std::size_t i : groupOrder(report)) {
        appendGroupSection(page, out, report, i, report.groups[i], earlier, firstKey[i]);
        pass(page, out);
    }
    if (report.groups.empty()) {
        page.append("<p class=\"note\">No record was set aside.</p>");
    }
    page.append("</body></html>");
    page.append(kLineEnd);
    pass(page, out, true);
}

}  // namespace vestrel
