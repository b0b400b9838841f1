#include "database/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "database/radix_sort.h"
#include "database/rewrite.h"
#include "database/shell_replay.h"
#include "database/sort_key.h"
#include "database/sort_writer.h"
#include "database_files.h"
#include "text/text.h"

namespace vestrel {
namespace {

using testing::captureStderr;
using testing::crlfLines;
using testing::fileExists;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

// The 22-character sort key of one database line.
std::string sortKey(std::string_view line) {
    KeyBuffer key;
    std::string work;
    buildSortKey(key, line, work);
    return std::string(key.bytes, key.size);
}

RunSettings sortSettings(const std::string& stem) {
    RunSettings settings;
    settings.databaseStem = stem;
    settings.databaseMode = DatabaseMode::Sort;
    return settings;
}

// A file's modification time, read the portable way.
std::optional<std::time_t> modificationTime(const std::string& name) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(name, error);
    if (error) return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
}

FileStatus runSort(const std::string& stem, std::string* err = nullptr, unsigned threads = 0) {
    const RunSettings settings = sortSettings(stem);
    FileStatus result = FileStatus::Ok;
    const std::string text = captureStderr(
        [&] { result = sortDatabase(settings, std::chrono::steady_clock::now(), threads); });
    if (err != nullptr) *err = text;
    return result;
}

// The closing line's seconds vary; they become "T".
std::string maskSeconds(std::string text) {
    const std::size_t open = text.rfind("  (");
    const std::size_t close = text.rfind(" sec)");
    if (open != std::string::npos && close != std::string::npos && open < close) {
        text.replace(open + 3, close - open - 3, "T");
    }
    return text;
}

std::vector<std::string> splitCrlf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

// The order the database sort must produce, by the plain Shell sort with halving gaps over
// the upper-cased key-and-line texts.
std::vector<std::string> referenceOrder(const std::vector<std::string>& lines) {
    std::vector<std::string> upper;
    for (const std::string& line : lines) upper.push_back(upperCase(sortKey(line) + line));
    std::vector<std::size_t> entries(lines.size());
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = i;
    const std::size_t n = entries.size();
    for (std::size_t gap = n / 2; gap >= 1; gap /= 2) {
        for (std::size_t i = 0; i + gap < n; ++i) {
            const std::size_t x = entries[i + gap];
            std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i);
            while (j >= 0 && upper[entries[j]] > upper[x]) {
                entries[j + gap] = entries[j];
                entries[j] = x;
                j -= static_cast<std::ptrdiff_t>(gap);
            }
        }
    }
    std::vector<std::string> order;
    for (const std::size_t e : entries) order.push_back(lines[e]);
    return order;
}

// Sorts `lines` as database "Mine" and returns its problem lines in file order.
std::vector<std::string> sortedProblemLines(const std::vector<std::string>& lines) {
    std::string file;
    for (const std::string& line : lines) file += line + "\r\n";
    writeFile("Mine.epd", file);
    EXPECT_EQ(runSort("Mine"), FileStatus::Ok);
    std::vector<std::string> problems;
    for (const std::string& line : splitCrlf(readFile("Mine.epd").value_or(""))) {
        if (!line.empty()) problems.push_back(line);
    }
    return problems;
}

TEST(SortKey, BuildsTheFields) {
    struct Case {
        std::string_view line, key;
    };
    const Case cases[] = {
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 01:20 @x", " #  3  00:05   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05+; 01:20 @x", " #  3  00:05+  01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05-; 01:20 @x", " #  3 -00:05   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 1:02:03; 01:20 @x", " #  3 . 1:02   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 1:02:03-; 01:20 @x", " #  3 = 1:02   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 1:02:03+ @x", " #  3  00:05  . 1:02+ "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 01:20- @x", " #  3  00:05  -01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #2; --:--; 00:30 @", " #  2 ???:??? ???:??? "},
        {"8/8/8/8/8/8/8/8 w - - bm #2; 00:10; --:-- @", " #  2  00:10  ???:??? "},
        {"8/8/8/8/8/8/8/8 w - - bm #2; 00:10; 00:30", " #  2  00:10  zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm #2; 00:10; 00:30@", " #  2  00:10  zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05 x; 01:20 @", " #  3 zzz:zzz  00:05  "},
        {"8/8/8/8/8/8/8/8 w - - bm h#2; 00:01; 00:02 @", "y#  2  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm s#4; 00:01; 00:02 @", "x#  4  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm r#2; 00:01; 00:02 @", "z#  2  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm H#2; 00:01; 00:02 @", "z#  2  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm =3; 00:01; 00:02 @", " =  3  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm h=5; 00:01; 00:02 @", "y=  5  00:01   00:02  "},
        {"8/8/8/8/8/8/8/8 w - - bm #12x; 00:05; 01:20 @", " # 12  00:05   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #-7; 00:05; 01:20 @", " #  7  00:05   01:20  "},
        {"8/8/8/8/8/8/8/8 w - - bm #1000; 00:05; 01:20 @", " #1000  00:05   01:20 "},
        {"8/8/8/8/8/8/8/8 w - - bm #3;", " #  3 zzz:zzz zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm #3", " #  3 zzz:zzz zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm #; 00:05; 01:20 @", " #zzz zzz:zzz zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm #3;1:2:03; 01:20 @", " #  3 zzz:zzz zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - bm Qh5; 00:05; 01:20 @", "zzzzz zzz:zzz zzz:zzz "},
        {"8/8/8/8/8/8/8/8 w - - id \"x\";", "zzzzz zzz:zzz zzz:zzz "},
        {"  8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 01:20 @x \t ", " #  3  00:05   01:20  "},
        {"", "zzzzz zzz:zzz zzz:zzz "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(sortKey(c.line), c.key);
    }
}

TEST(SortDatabase, WritesTheDefaultLayout) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string a = "8/8/8/8/8/8/8/k1K5 w - - bm h#2; 00:03; 00:04 @;";
    const std::string b = "8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @;";
    const std::string c = "8/8/8/8/8/8/8/k1K4 b - - bm #2; 00:01; 00:02 @;";
    const std::string d = "8/8/8/8/8/8/8/k1K3 w - - bm #3; 00:02; 00:03 @;";
    const std::string e = "8/8/8/8/8/8/8/k1K2 w - - bm =2; 00:01; 00:01 @;";
    const std::string f = "8/8/8/8/8/8/8/k1K1 w - - id \"no solution\";";
    const std::string old =
        crlfLines({"% Vandrelo old header", "% Vandrelo problem database",
                   "% Special problem types:", "", a, b, "% New problem updates:", c, d, e, f});
    writeFile("Vandrelo.epd", old);
    writeFile("Vandrelo.bak", "older backup");
    std::string err;
    ASSERT_EQ(runSort("Vandrelo", &err), FileStatus::Ok);
    EXPECT_EQ(readFile("Vandrelo.epd"), crlfLines({"% Vandrelo problem database", "", c, "", d, b,
                                                   "", "% Special problem types:", "", e, "", a, "",
                                                   f, "", "% New problem updates:", ""}));
    EXPECT_EQ(readFile("Vandrelo.bak"), old);
    EXPECT_FALSE(fileExists("Vandrelo.epd.new"));
    EXPECT_EQ(maskSeconds(err),
              "\nReading ... \nSorting ... \nWriting ... \r\n\n6 EPD-lines sorted in "
              "\"Vandrelo.epd\"  (T sec)\r\n");
}

TEST(SortDatabase, OtherStemsGetNoCommentsOrHeader) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string a = "8/8/8/8/8/8/8/k1K5 w - - bm h#2; 00:03; 00:04 @;";
    const std::string b = "8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @;";
    const std::string e = "8/8/8/8/8/8/8/k1K2 w - - bm =2; 00:01; 00:01 @;";
    writeFile("vandrelo.epd", crlfLines({"% Vandrelo header", a, e, b}));
    ASSERT_EQ(runSort("vandrelo"), FileStatus::Ok);
    EXPECT_EQ(readFile("vandrelo.epd"), crlfLines({"", b, "", e, "", a, ""}));
    const std::optional<std::time_t> modified = modificationTime("vandrelo.epd");
    ASSERT_TRUE(modified.has_value());
    EXPECT_LT(std::abs(std::difftime(std::time(nullptr), *modified)), 120.0);
}

TEST(SortDatabase, DatesTheDefaultDatabaseToSixInTheEvening) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("Vandrelo.epd", crlfLines({"8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @;"}));
    ASSERT_EQ(runSort("Vandrelo"), FileStatus::Ok);
    const std::optional<std::time_t> modified = modificationTime("Vandrelo.epd");
    ASSERT_TRUE(modified.has_value());
    const std::time_t now = std::time(nullptr);
    const std::tm today = *std::localtime(&now);
    const std::tm dated = *std::localtime(&*modified);
    EXPECT_EQ(dated.tm_year, today.tm_year);
    EXPECT_EQ(dated.tm_yday, today.tm_yday);
    EXPECT_EQ(dated.tm_hour, 18);
    EXPECT_EQ(dated.tm_min, 0);
    EXPECT_EQ(dated.tm_sec, 0);
}

TEST(SortDatabase, SectionCommentOnlyBetweenDirectAndOtherTypes) {
    const std::string direct = "8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @;";
    const std::string help = "8/8/8/8/8/8/8/k1K5 w - - bm h#3; 00:05; 01:20 @;";
    const std::string none = "8/8/8/8/8/8/8/k1K5 w - -";
    struct Case {
        std::vector<std::string> input;
        std::string output;
    };
    const Case cases[] = {
        {{}, crlfLines({"", "", "% New problem updates:", ""})},
        {{"% Vandrelo db"}, crlfLines({"% Vandrelo db", "", "% New problem updates:", ""})},
        {{direct, direct}, crlfLines({"", "", direct, direct, "", "% New problem updates:", ""})},
        {{help, none}, crlfLines({"", "", help, "", none, "", "% New problem updates:", ""})},
        {{none, direct},
         crlfLines({"", "", direct, "", "% Special problem types:", "", none, "",
                    "% New problem updates:", ""})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        std::string file;
        for (const std::string& line : c.input) file += line + "\r\n";
        writeFile("Vandrelo.epd", file);
        std::string err;
        ASSERT_EQ(runSort("Vandrelo", &err), FileStatus::Ok);
        EXPECT_EQ(readFile("Vandrelo.epd"), c.output);
        const std::string count = std::to_string(std::count_if(
            c.input.begin(), c.input.end(), [](const std::string& l) { return l[0] != '%'; }));
        EXPECT_NE(err.find("\n" + count + " EPD-lines sorted in"), std::string::npos);
    }
}

// Lines from small pools, so that many compare equal except for letter case.
std::vector<std::string> randomLines(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    const char* types[] = {"#", "#", "=", "h#", "s#", "r#", "H#", "s="};
    const char* times[] = {"00:05", "00:05+", "00:05-", "1:02:03", "1:02:03-", "--:--", "00:07"};
    const char* places[] = {"8/8/8/8/8/8/8/k1K5", "8/8/8/8/8/8/8/K1k5", "8/8/8/8/8/8/8/kbK5"};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        std::string id = "abcd";
        for (char& c : id) {
            if (rng() % 2 != 0) c = toUpperAscii(c);
        }
        std::string line = std::string(places[rng() % 3]) + " w - -";
        if (rng() % 8 != 0) {
            line += std::string(" bm ") + types[rng() % 8] + std::to_string(1 + rng() % 3) + "; " +
                    times[rng() % 7] + "; " + times[rng() % 7] + " @";
        }
        line += " id \"" + id + "\";";
        lines.push_back(line);
    }
    return lines;
}

TEST(SortDatabase, KeepsTheShellSortOrderOfCaseOnlyDifferences) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const std::vector<std::string> lines = randomLines(1500 + 97 * seed, seed);
        const std::vector<std::string> expected = referenceOrder(lines);
        // The data must tell the Shell sort apart from an ordinary stable sort.
        std::vector<std::string> stable = lines;
        std::stable_sort(stable.begin(), stable.end(), [](const auto& a, const auto& b) {
            return upperCase(sortKey(a) + a) < upperCase(sortKey(b) + b);
        });
        ASSERT_NE(stable, expected);
        EXPECT_EQ(sortedProblemLines(lines), expected);
    }
}

TEST(SortDatabase, OrdersDistinctLinesLikeTheShellSort) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> lines = randomLines(2000, 7);
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i] += " c" + std::to_string(i) + ";";
    EXPECT_EQ(sortedProblemLines(lines), referenceOrder(lines));
}

TEST(SortDatabase, OrdersEveryByteAsUnsigned) {
    // Bytes on both sides of 0x80, letters of both cases and separators in the time fields and
    // at the line starts, where the sort reads the keys byte by byte.
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::mt19937 rng(11);
    const std::string pool = "aAzZ09:# \x01\x7f\x80\xe9\xff";
    const auto text = [&](std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length; ++i) s += pool[rng() % pool.size()];
        return s;
    };
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back(text(2) + " w - - bm " + text(1) + "#1; " + text(5) + "; 00:0" + text(1) +
                        " @ id \"" + text(2) + "\";");
    }
    EXPECT_EQ(sortedProblemLines(lines), referenceOrder(lines));
}

TEST(SortDatabase, ReplaysLongInsertionPassesExactly) {
    // 4096 entries with the small ones on every other place: the halving gaps never mix the
    // two halves before the last pass, which then has millions of moves.
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> lines;
    for (int i = 0; i < 4096; ++i) {
        if (i % 2 == 0) {
            std::string id = "case" + std::to_string(i % 40);
            if ((i / 2) % 3 == 0) id = upperCase(id);
            lines.push_back("8/8/8/8/8/8/8/k1K5 w - - bm #1; 00:05; 01:20 @; id \"" + id + "\";");
        } else {
            lines.push_back("8/8/8/8/8/8/8/k1K5 w - - bm #2; 00:05; 01:20 @; id \"" +
                            std::to_string(100000 - i) + "\";");
        }
    }
    EXPECT_EQ(sortedProblemLines(lines), referenceOrder(lines));
}

// The lines in the order sortEntries puts them, on `threads` threads.
std::vector<std::string> entryOrder(const std::vector<std::string>& lines, unsigned threads) {
    EntryTable table;
    std::string work;
    for (const std::string& line : lines) addEntry(table, line, false, work);
    sortEntries(table, threads);
    std::vector<std::string> order;
    for (std::size_t k = 0; k < table.size(); ++k) {
        order.emplace_back(lineText(table, entryAt(table, k)));
    }
    return order;
}

// The threads split the items by their first bytes and share the passes of the replay; the
// order stays the Shell sort's, also where one part holds nearly every item.
TEST(SortEntries, AnyNumberOfThreadsGivesTheShellSortOrder) {
    std::vector<std::string> oneHead;  // one key and start: every item in one part
    for (int i = 0; i < 700; ++i) {
        std::string id = "id" + std::to_string(i % 90) + "x";
        if (i % 7 == 0) id = upperCase(id);
        oneHead.push_back("8/8/8/8/8/8/8/k1K5 w - - bm #1; 00:05; 01:20 @; " + id);
    }
    std::vector<std::string> skewed = randomLines(2500, 9);
    skewed.insert(skewed.end(), oneHead.begin(), oneHead.end());
    std::vector<std::string> distinct = randomLines(3000, 4);
    for (std::size_t i = 0; i < distinct.size(); ++i) distinct[i] += std::to_string(i);
    const std::vector<std::string> tables[] = {
        {}, {"one line"}, randomLines(5000, 21), oneHead, skewed, distinct,
    };
    for (const std::vector<std::string>& lines : tables) {
        SCOPED_TRACE(lines.size());
        const std::vector<std::string> expected = referenceOrder(lines);
        for (const unsigned threads : {1u, 2u, 3u}) {
            SCOPED_TRACE(threads);
            EXPECT_TRUE(entryOrder(lines, threads) == expected);
        }
    }
}

// The file writeSorted makes of `lines` on `threads` threads, as database "Out".
std::string writtenFile(const std::vector<std::string>& lines, unsigned threads) {
    EntryTable table;
    std::string work;
    for (const std::string& line : lines) addEntry(table, line, false, work);
    sortEntries(table, 1);
    writeFile("Out.epd", "");
    Rewrite rewrite;
    EXPECT_EQ(beginRewrite(rewrite, "Out"), FileStatus::Ok);
    writeSorted(rewrite, table, "% Vandrelo header", true, threads);
    EXPECT_TRUE(commitRewrite(rewrite));
    return readFile("Out.epd").value_or("");
}

// Threads put the file together in pieces: the groups' empty lines and comments come out
// as from one thread, also where a piece begins.
TEST(WriteSorted, AnyNumberOfThreadsWritesTheSameFile) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> lines = randomLines(100000, 13);
    for (std::string& line : lines) line.insert(0, std::to_string(line.size() % 3));
    const std::string one = writtenFile(lines, 1);
    EXPECT_TRUE(one.starts_with("% Vandrelo header\r\n\r\n"));
    for (const unsigned threads : {2u, 3u}) {
        SCOPED_TRACE(threads);
        EXPECT_TRUE(writtenFile(lines, threads) == one);
    }
}

// What a sort of `bytes` as database `stem` leaves: status, standard error with the seconds
// masked, the new database file and the backup.
struct SortOutcome {
    FileStatus status;
    std::string err, database, backup;
};

SortOutcome sortOutcome(const std::string& stem, const std::string& bytes, unsigned threads) {
    ScratchDir dir;
    EXPECT_TRUE(dir.ok());
    writeFile(stem + ".epd", bytes);
    SortOutcome outcome;
    outcome.status = runSort(stem, &outcome.err, threads);
    outcome.err = maskSeconds(outcome.err);
    outcome.database = readFile(stem + ".epd").value_or("(none)");
    outcome.backup = readFile(stem + ".bak").value_or("(none)");
    return outcome;
}

// A large database is sorted from a mapping of the file, read in stretches on several threads,
// a small one from copies of its lines: with a comment line that makes the file large enough
// for a mapping, every database sorts to the same bytes and messages as without it, on any
// number of threads.
TEST(SortDatabase, MappedAndCopiedDatabasesSortAlike) {
    const std::string a = "8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @; id \"Ab\";";
    const std::string b = "8/8/8/8/8/8/8/k1K5 w - - bm #3; 00:05; 01:20 @; id \"aB\";";
    const std::string c = "8/8/8/8/8/8/8/K1k5 b - - bm h#2; --:--; 00:30 @;";
    const std::string d = "8/8/8/8/8/8/8/kbK5 w - - id \"no solution\";";
    std::string many;
    for (const std::string& line : randomLines(3000, 5))
        many += line + (many.size() % 3 ? "\n" : "\r\n");
    struct Case {
        std::string stem, bytes;
    };
    const Case cases[] = {
        {"Vandrelo", a + "\r\n" + c + "\n" + b + "\r\n" + d},
        {"Vandrelo", a + "\r\n" + a + "\r\n" + b + "\r\n" + b + "\n" + a + "\r\n"},
        {"Vandrelo",
         "% Vandrelo one\r\n" + c + "\r\n\r\n% other\r\n% Vandrelo two\r\n" + d + "\r\n"},
        {"Vandrelo", "\xEF\xBB\xBF" + c + "\r\n" + a + "\r\n"},
        {"Vandrelo", c + "\r\n" + a + "\r\n\x1A\r\n" + b + "\r\n"},
        {"Vandrelo", c + "\r\n" + a + "\x1A\r\n\x1A\n"},
        {"Vandrelo", c + "\r\n" + a + "\x1A\r\n" + b + "\r\n" + d + "\r\n"},
        {"Vandrelo",
         "mid\rdle bm #2; 00:01; 00:02 @\r\n" + c + "\r\n" + a + "\r\r\nb\rx" + b + "\r\n"},
        {"Vandrelo", ""},
        {"Vandrelo", c},
        {"Vandrelo", many},
        {"Other", "% Vandrelo header\r\n" + many},
    };
    const std::string padding = "%" + std::string(kMapMinBytes, 'p') + "\r\n";
    for (const Case& k : cases) {
        SCOPED_TRACE(k.bytes.substr(0, 80));
        const std::size_t firstEnd = k.bytes.find('\n');
        std::string large = k.bytes;
        large.insert(firstEnd == std::string::npos ? 0 : firstEnd + 1, padding);
        const SortOutcome copied = sortOutcome(k.stem, k.bytes, 1);
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(threads);
            const SortOutcome mapped = sortOutcome(k.stem, large, threads);
            EXPECT_EQ(mapped.status, copied.status);
            EXPECT_EQ(mapped.err, copied.err);
            if (copied.status == FileStatus::Ok) {
                EXPECT_TRUE(mapped.database == copied.database);
            }
            // A sort keeps the old database as the backup; a refused one leaves it untouched.
            for (const auto& [outcome, input] : {std::pair(&copied, &k.bytes), {&mapped, &large}}) {
                const bool ok = outcome->status == FileStatus::Ok;
                EXPECT_TRUE(outcome->backup == (ok ? *input : "(none)"));
                if (!ok) {
                    EXPECT_TRUE(outcome->database == *input);
                }
            }
        }
    }
}

TEST(SortDatabase, MissingDatabaseKeepsTheBackup) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("Vandrelo.bak", "old backup");
    std::string err;
    EXPECT_EQ(runSort("Vandrelo", &err), FileStatus::DatabaseNotFound);
    EXPECT_EQ(err, "");
    EXPECT_EQ(readFile("Vandrelo.bak"), "old backup");
    EXPECT_FALSE(fileExists("Vandrelo.epd"));
    EXPECT_FALSE(fileExists("Vandrelo.epd.new"));

    ASSERT_TRUE(std::filesystem::create_directory("Dir.epd"));
    EXPECT_EQ(runSort("Dir"), FileStatus::DatabaseNotFound);
}

// Seven digits of a number, with leading zeros.
std::string sevenDigits(std::size_t n) {
    std::string digits = std::to_string(n);
    return std::string(7 - digits.size(), '0') + digits;
}

// The sort once refused a database of a million problems; now it sorts as many as memory
// holds. Lines of one type, moves and times order by their text.
TEST(SortDatabase, SortsAMillionProblemsAndMore) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    constexpr std::size_t kLines = 1'000'003;
    std::string database = "% Vandrelo header\r\n";
    std::string sorted = "% Vandrelo header\r\n\r\n";
    for (std::size_t i = 0; i < kLines; ++i) {
        database += sevenDigits(kLines - 1 - i) + " w - - bm #1;\r\n";
        sorted += sevenDigits(i) + " w - - bm #1;\r\n";
    }
    sorted += "\r\n% New problem updates:\r\n\r\n";
    writeFile("Vandrelo.epd", database);
    std::string err;
    EXPECT_EQ(runSort("Vandrelo", &err), FileStatus::Ok);
    EXPECT_EQ(maskSeconds(err),
              "\nReading ... \nSorting ... \nWriting ... \r\n\n1000003 EPD-lines "
              "sorted in \"Vandrelo.epd\"  (T sec)\r\n");
    EXPECT_TRUE(readFile("Vandrelo.epd") == sorted);
    EXPECT_TRUE(readFile("Vandrelo.bak") == database);
}

}  // namespace
}  // namespace vestrel
