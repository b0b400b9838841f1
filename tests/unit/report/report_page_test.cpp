#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "../database/database_files.h"
#include "base/platform.h"
#include "report/report.h"

namespace vestrel {
namespace {

using testing::ScratchDir;

// The page of a report, written through a file as the program writes it.
std::string pageOf(const Report& report, const RunSettings& settings) {
    const int fd = createFile("page.html");
    EXPECT_NE(fd, kNoFile);
    BufferedWriter out;
    openWriter(out, fd, 1 << 16, true);
    writeReportPage(report, settings, {12, 1, 2, 1, "0.25"}, out);
    EXPECT_TRUE(flushWriter(out));
    EXPECT_TRUE(closeWriter(out));
    return testing::readFile("page.html").value_or("");
}

constexpr std::string_view kScript = "<script>alert(1)</script>";
constexpr std::string_view kBreakout = "\"><img src=x onerror=alert(2)>";

// Every tag of the page is one the report writes, with no event handler and no reference that
// leaves the page.
void expectOnlyOwnMarkup(const std::string& page) {
    const std::set<std::string> tags = {
        "!DOCTYPE", "html",    "head",   "meta", "title", "style",  "body",      "svg", "defs",
        "g",        "path",    "circle", "text", "use",   "rect",   "header",    "h1",  "h2",
        "dl",       "dt",      "dd",     "code", "time",  "table",  "tr",        "td",  "a",
        "p",        "section", "div",    "b",    "q",     "figure", "figcaption"};
    for (std::size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
        std::size_t end = at + 1;
        if (end < page.size() && page[end] == '/') ++end;
        std::size_t nameEnd = end;
        while (nameEnd < page.size() &&
               (std::isalnum(static_cast<unsigned char>(page[nameEnd])) || page[nameEnd] == '!')) {
            ++nameEnd;
        }
        const std::string name = page.substr(end, nameEnd - end);
        EXPECT_TRUE(tags.count(name)) << "tag <" << name << "> at " << at;
        const std::string tag = page.substr(at, page.find('>', at) - at);
        EXPECT_EQ(tag.find(" on"), std::string::npos) << tag;
        const std::size_t href = tag.find("href=\"");
        if (href != std::string::npos) {
            EXPECT_EQ(tag[href + 6], '#') << tag;
        }
    }
    EXPECT_EQ(page.find("://"), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
}

TEST(ReportPage, EscapesHostileRecordsFileNamesAndArguments) {
    ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    RunSettings settings;
    settings.report.arguments = {"a<b>.epd", std::string(kBreakout), "--report=x.html"};
    Report report;
    startReport(report, settings);
    // The earlier record's line is read again from its file.
    const std::string hostileId = "bm #2; id \"" + std::string(kScript) + "\";";
    testing::writeFile("hostile&'.epd", "k7/8/8/8/8/8/8/1Q5K w - - " + hostileId + "\r\n");
    beginReportFile(report, "hostile&'.epd");
    const std::string breakoutId = "bm #3; id \"" + std::string(kBreakout) + "\";";
    const std::string key = "k7/8/8/8/8/8/8/1Q5K w - - bm #";
    reportRecord(report, {"k7/8/8/8/8/8/8/1Q5K w - -", hostileId, key, 1, true, false, ""});
    reportRecord(report,
                 {"k7/8/8/8/8/8/8/1Q5K w - -", breakoutId, key, 2, false, true, "duplicate"});
    // Verdict texts come from other steps of the run: whatever they say is text.
    reportRecord(report, {"kk6/8/8/8/8/8/8/1Q5K w - -", "bm #2;", "kk6/8/8/8/8/8/8/1Q5K w - - bm #",
                          3, true, true, "illegal: <b>two kings</b> & \"more\""});
    reportRecord(report, {"k7/8/8/8/8/8/8/2Q4K w - -", "bm #2;", "k7/8/8/8/8/8/8/2Q4K w - - bm #",
                          4, true, true, std::string("cooked: ") + std::string(kScript)});
    reportRecord(report, {"k7/8/8/8/8/8/8/3Q3K w - -", "bm #2;", "k7/8/8/8/8/8/8/3Q3K w - - bm #",
                          5, true, true, std::string(kBreakout)});
    const std::string page = pageOf(report, settings);
    ASSERT_FALSE(page.empty());
    expectOnlyOwnMarkup(page);
    for (std::string_view text :
         {std::string_view("id &quot;&lt;script&gt;alert(1)&lt;/script&gt;"),
          std::string_view("&quot;&gt;&lt;img src=x onerror=alert(2)&gt;"),
          std::string_view("hostile&amp;&#39;.epd, line 2"), std::string_view("a&lt;b&gt;.epd"),
          std::string_view("&lt;b&gt;two kings&lt;/b&gt; &amp; &quot;more&quot;"),
          std::string_view("cooked: &lt;script&gt;")}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
}

TEST(ReportPage, GroupsVerdictsByTheirFirstWord) {
    ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    RunSettings settings;
    Report report;
    startReport(report, settings);
    beginReportFile(report, "in.epd");
    const char* tags[] = {"illegal", "cooked: Qh8#, Qb7#", "illegal: king in check",
                          "short: #1 Ra8#", "cooked: Ra1#"};
    for (int i = 0; i < 5; ++i) {
        reportRecord(report, {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;",
                              "k7/8/8/8/8/8/8/1Q5K w - - bm #", i + 1, false, true, tags[i]});
    }
    ASSERT_EQ(report.groups.size(), 3u);
    EXPECT_EQ(report.groups[0].total, 2);  // illegal
    EXPECT_EQ(report.groups[1].total, 2);  // cooked
    const std::string page = pageOf(report, settings);
    // The known kinds come first, the others in the order first met.
    const std::size_t illegal = page.find("<h2>Illegal positions (2)</h2>");
    const std::size_t cooked = page.find("<h2>Cooked: more than one key or solution (2)</h2>");
    const std::size_t shortSection = page.find("<h2>Short: solved in fewer moves (1)</h2>");
    ASSERT_NE(illegal, std::string::npos);
    ASSERT_NE(cooked, std::string::npos);
    ASSERT_NE(shortSection, std::string::npos);
    EXPECT_LT(illegal, cooked);
    EXPECT_LT(cooked, shortSection);
    for (std::string_view text : {"<q>illegal: king in check</q>", "<q>cooked: Qh8#, Qb7#</q>",
                                  "<q>short: #1 Ra8#</q>", "in.epd, line 4"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
    // A position the static test passes is said to pass it.
    EXPECT_NE(page.find("The static test finds no fault"), std::string::npos);
}

// The squares marked on the first diagram after `from`, as names in the order of the page
// ("e8 e1"): empty when the diagram marks none.
std::string markedSquares(const std::string& page, std::size_t from) {
    const std::size_t start = page.find("<svg class=\"bd\"", from);
    const std::size_t end = page.find("</svg>", start);
    std::string names;
    for (std::size_t at = page.find("<rect class=\"hl\" x=\"", start); at < end;
         at = page.find("<rect class=\"hl\" x=\"", at + 1)) {
        const std::size_t x = at + 20;  // one digit each: x="f" y="r"
        if (!names.empty()) names.push_back(' ');
        names.push_back(char('a' + (page[x] - '0')));
        names.push_back(char('8' - (page[x + 6] - '0')));
    }
    return names;
}

// --legal's reasons and --verify's verdicts: counted in the header, each entry with its id
// text, the rule in words and the squares at fault (or the squares of the keys) marked.
TEST(ReportPage, ShowsVerdictsAndCheckAwareReasonsWithTheirSquares) {
    ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    RunSettings settings;
    settings.verify.maxMoves = 2;
    Report report;
    startReport(report, settings);
    beginReportFile(report, "in.epd");
    const std::string check = "4k3/8/8/8/8/8/8/4R1K1 w - -";
    reportRecord(report,
                 {check, "bm #2;", check + " bm #", 1, true, true, "illegal: opposite check"});
    const std::string cooked = "k7/6Q1/1K6/8/8/8/8/8 w - -";
    const std::string sound = "k7/8/1K6/8/8/8/8/6Q1 w - -";
    const std::string illegal = "k7/8/1K6/8/8/8/8/7Q w - -";
    const std::string passant = "k7/8/8/8/4P3/8/8/R3K3 b - e3";
    const std::string shortMate = "k7/8/1K6/8/8/8/8/7R w - -";
    int line = 2;
    for (const std::string& fields : {cooked, sound, illegal, passant, shortMate}) {
        reportRecord(report, {fields, "bm #2;", fields + " bm #", line++, true, false, ""});
    }
    reportVerdict(report, 2, cooked, "bm #1;", "cooked: Qh8#, Qb7#");
    reportVerdict(report, 3, sound, "bm #2;", "sound");
    reportVerdict(report, 4, illegal, "bm #1;", "unchecked: illegal: opposite check");
    reportVerdict(report, 5, passant, "bm h#1;", "unchecked: illegal: impossible en passant");
    reportVerdict(report, 6, shortMate, "bm #2;", "short: #1 Rh8#");
    const std::string page = pageOf(report, settings);
    for (std::string_view text : {
             "<td>Stipulations verified (--verify)</td><td class=\"n\">5</td>",
             "<td>Sound: exactly one key or solution</td><td class=\"n\">1</td>",
             "Cooked: more than one key or solution</a></td><td class=\"n\">1</td>",
             "Short: solved in fewer moves</a></td><td class=\"n\">1</td>",
             "<td>Unsound: no solution</td><td class=\"n\">0</td>",
             "Unchecked: not solved</a></td><td class=\"n\">2</td>",
             "<h2>Unchecked: not solved (2)</h2>",
             "Here: The black king on e8 is in check from the white rook on e1, White to move.",
             "Here: The black king on a8 is in check from the white queen on h1, White to move.",
             "Here: Before White's pawn went from e2 to e4, the black king on a8 stood in check "
             "from the white rook on a1.",
         }) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
    // Sound records are counted, not shown.
    EXPECT_EQ(page.find("<h2>Sound"), std::string::npos);
    EXPECT_EQ(page.find("in.epd, line 3</b>"), std::string::npos);
    struct Entry {
        std::string_view start, squares;
    };
    const Entry entries[] = {
        {"<b>in.epd, line 1</b>: <q>illegal: opposite check</q>", "e8 e1"},
        {"<b>in.epd, line 2</b>: <q>cooked: Qh8#, Qb7#</q>", "h8 b7 g7"},
        {"<b>in.epd, line 4</b>: <q>unchecked: illegal: opposite check</q>", "a8 h1"},
        {"<b>in.epd, line 5</b>: <q>unchecked: illegal: impossible en passant</q>",
         "a8 e4 e3 e2 a1"},
        {"<b>in.epd, line 6</b>: <q>short: #1 Rh8#</q>", "h8 h1"},
    };
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.start);
        const std::size_t at = page.find(entry.start);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(markedSquares(page, at), entry.squares);
    }
}

TEST(ReportPage, ShowsAtMostTheLimitPerKindWithTheTotal) {
    ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    RunSettings settings;
    settings.report.limit = 2;
    Report report;
    startReport(report, settings);
    beginReportFile(report, "in.epd");
    reportRecord(report, {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", "k7/8/8/8/8/8/8/1Q5K w - - bm #",
                          1, true, false, ""});
    for (int i = 0; i < 5; ++i) {
        reportRecord(report, {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #3;",
                              "k7/8/8/8/8/8/8/1Q5K w - - bm #", i + 2, false, true, "duplicate"});
    }
    const std::string page = pageOf(report, settings);
    EXPECT_NE(page.find("<h2>Duplicates (5)</h2>"), std::string::npos);
    EXPECT_NE(page.find("Showing the first 2 of 5 (--report-limit=2)."), std::string::npos);
    std::size_t diagrams = 0;
    for (std::size_t at = page.find("<svg class=\"bd\""); at != std::string::npos;
         at = page.find("<svg class=\"bd\"", at + 1)) {
        ++diagrams;
    }
    EXPECT_EQ(diagrams, 4u);  // two records, each beside the first one
    EXPECT_EQ(page.find("in.epd, line 4</b>"), std::string::npos);
}

}  // namespace
}  // namespace vestrel
