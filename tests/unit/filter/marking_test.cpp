#include "filter/marking.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "position/placement.h"

namespace vestrel {
namespace {

constexpr std::string_view kKeyFields = "k7/8/8/8/8/8/8/1Q5K w - -";

struct KeyCase {
    std::string_view opcodes, solution;
};

const KeyCase kKeyCases[] = {
    {"bm #2;", " bm #"},
    {"bm #3; id \"b\";", " bm #"},
    {"bm h#2;", " bm h#"},
    {"bm s#3;", " bm s#"},
    {"bm =2;", " bm ="},
    {"bm s=3; id \"c\";", " bm s="},
    {"", " bm #"},
    {"id \"x\";", " bm #"},
    {"bm Qb8#;", " bm #"},
    {"bm #", " bm #"},
    {"xbm #2;", " bm #"},
    {"bm;", " bm #"},
    // Opcodes in front of bm stay in the key.
    {"ce 100; bm #3;", " ce 100; bm #"},
    // A "#" anywhere else decides before any "=".
    {"id \"#1\"; bm #2;", " bm #"},
    {"bm =2; c0 \"a#\";", " bm #"},
    {"bm hs=3;", " bm #"},
    // Cut short or with a second mark just after the first.
    {"bm h", " bm #"},
    {"bm ##2;", " bm #"},
    {"bm h=#2;", " bm #"},
};

TEST(BuildPositionKey, KeepsTheStipulationUpToItsMark) {
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.opcodes);
        std::string key = "stale";
        buildPositionKey(kKeyFields, c.opcodes, key);
        EXPECT_EQ(key, std::string(kKeyFields) + std::string(c.solution));
    }
}

// A record that is its input line has its key taken from the line where it can: the same key.
TEST(PrepareMark, GivesALineItsKeyAsBuildPositionKeyDoes) {
    const Marking marking;
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.opcodes);
        const std::string line =
            std::string(kKeyFields) + (c.opcodes.empty() ? "" : " ") + std::string(c.opcodes);
        PendingRecord record;
        record.key = "stale";
        record.plain = {line, std::string_view(line).substr(0, kKeyFields.size()),
                        std::string_view(line).substr(line.size() - c.opcodes.size())};
        prepareMark(record, MarkSettings{}, marking);
        EXPECT_EQ(record.keyText, std::string(kKeyFields) + std::string(c.solution));
    }
}

TEST(DatabaseLineKey, TakesTheLineAsItStands) {
    struct Case {
        std::string_view line;
        bool used;
        std::string_view key;
    };
    const Case cases[] = {
        {"k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"a\";", true, "k7/8/8/8/8/8/8/1Q5K w - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K w - - bm h#2;", true, "k7/8/8/8/8/8/8/1Q5K w - - bm h#"},
        {"k7/8/8/8/8/8/8/1Q5K w - - bm =3;", true, "k7/8/8/8/8/8/8/1Q5K w - - bm ="},
        // Unlike a record, the line is not cut into fields first: spaces and opcodes stay.
        {"k7/8/8/8/8/8/8/1Q5K w - -  bm #2;", true, "k7/8/8/8/8/8/8/1Q5K w - -  bm #"},
        {"k7/8/8/8/8/8/8/1Q5K w - - ce 1; bm #2;", true, "k7/8/8/8/8/8/8/1Q5K w - - ce 1"},
        {"k7/8/8/8/8/8/8/1Q5K w - - id \"#\"; bm #2;", true, "k7/8/8/8/8/8/8/1Q5K w - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K w", true, "k7/8/8/8/8/8/8/1Q5K w bm #"},
        {"bm #2", true, "bm #2 bm #"},  // no " bm " before the mark
        // The first " bm " counts, whatever "m" and "bm" come before it.
        {"k7/8/8/8/8/8/8/1Q5K w - - c0 \"m bmx\"; bm #2;", true,
         "k7/8/8/8/8/8/8/1Q5K w - - c0 \"m bmx\""},
        {"k7/8/8/8/8/8/8/1Q5K w - - xbm #2;", true, "k7/8/8/8/8/8/8/1Q5K w - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K w - - bm", true, "k7/8/8/8/8/8/8/1Q5K w - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K w - - bm  #2", true, "k7/8/8/8/8/8/8/1Q5K w - - bm  #"},
        {"% comment bm #2", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string scratch;
        std::string_view key;
        EXPECT_EQ(databaseLineKey(c.line, scratch, key), c.used);
        if (c.used) {
            EXPECT_EQ(key, c.key);
        }
    }
}

struct Record {
    std::string_view fields, opcodes;
    MarkVerdict verdict;
};

// What marking takes from the options: the seen-set rules and the marking settings.
struct MarkOptions {
    SeenPolicy policy;
    MarkSettings settings;
};

struct Scenario {
    std::string_view name;
    MarkOptions options;
    std::vector<std::string_view> preloaded;  // database keys stored before the run
    std::vector<Record> records;
    std::string_view log;
    std::int64_t duplicates, illegal;
};

// /2, /xy, /p and the silence of the database modes /u and /u+.
MarkOptions withFlags(bool noDuplicateTest, bool mirrorTest, bool legalityTest,
                      bool silent = false) {
    MarkOptions o;
    if (noDuplicateTest) o.policy.mode = LookupMode::None;
    o.policy.mirrorTest = mirrorTest;
    o.settings.legalityTest = legalityTest;
    o.settings.silent = silent;
    return o;
}

MarkOptions canonical(MarkOptions o) {
    o.settings.canonicalKeys = true;
    return o;
}

constexpr bool kSilent = true;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr MarkVerdict kPassed = MarkVerdict::Passed;
constexpr MarkVerdict kMarked = MarkVerdict::Marked;

TEST(MarkRecord, LogsAndCountsMarkedRecords) {
    const Scenario scenarios[] = {
        {"mate in 2 and in 3 collide",
         withFlags(false, false, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #3; id \"b\";", kMarked}},
         "k7/8/8/8/8/8/8/1Q5K w - - id \"duplicate\";\r\n",
         1,
         0},
        {"helpmate differs from mate",
         withFlags(false, false, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm h#2;", kPassed}},
         "",
         0,
         0},
        {"no bm equals bm #",
         withFlags(false, false, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #5;", kMarked},
          {"k7/8/8/8/8/8/8/1Q5K b - -", "bm #5;", kPassed}},
         "k7/8/8/8/8/8/8/1Q5K w - - id \"duplicate\";\r\n",
         1,
         0},
        {"mirror image along x, then its repeat",
         withFlags(false, true, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K b - -", "bm #1;", kPassed},
          {"7k/8/8/8/8/8/8/K5Q1 b - -", "bm #1;", kMarked},
          {"7k/8/8/8/8/8/8/K5Q1 b - -", "bm #1;", kMarked}},
         "7k/8/8/8/8/8/8/K5Q1 b - - id \"mirror-x\";\r\n"
         "7k/8/8/8/8/8/8/K5Q1 b - - id \"duplicate\";\r\n",
         2,
         0},
        {"mirror test needs /xy",
         withFlags(false, false, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K b - -", "bm #1;", kPassed},
          {"7k/8/8/8/8/8/8/K5Q1 b - -", "bm #1;", kPassed}},
         "",
         0,
         0},
        {"castling rights keep the mirror test away",
         withFlags(false, true, false),
         {},
         {{"4k3/8/8/8/8/8/8/R3K3 w - -", "bm #2;", kPassed},
          {"3k4/8/8/8/8/8/8/3K3R w Q -", "bm #2;", kPassed}},
         "",
         0,
         0},
        {"pawnless diagonal reflection",
         withFlags(false, true, false),
         {},
         {{"4k3/8/8/8/8/8/8/4K3 b - -", "bm #2;", kPassed},
          {"8/8/8/K6k/8/8/8/8 b - -", "bm #3;", kMarked}},
         "8/8/8/K6k/8/8/8/8 b - - id \"mirror-d\";\r\n",
         1,
         0},
        {"pawns skip the diagonal test",
         withFlags(false, true, false),
         {},
         {{"4k3/8/8/8/8/8/4P3/4K3 w - -", "bm #2;", kPassed},
          {"8/8/8/KP5k/8/8/8/8 w - -", "bm #2;", kPassed}},
         "",
         0,
         0},
        {"symmetric about a diagonal: kept when first seen, a duplicate when repeated",
         withFlags(false, true, false),
         {},
         {{"7k/8/8/8/8/8/8/K7 w - -", "bm #3;", kPassed},
          {"8/8/2k5/8/4K3/8/8/7R w - -", "bm #11;", kPassed},
          {"7k/8/8/8/8/8/8/K7 w - -", "bm #2;", kMarked}},
         "7k/8/8/8/8/8/8/K7 w - - id \"duplicate\";\r\n",
         1,
         0},
        {"the rank texts, not the squares, tell an image from the key itself",
         withFlags(false, true, false),
         {},
         {{"k6k/8/8/8/71/8/8/k6k w - -", "bm #2;", kPassed},
          {"k6k/8/8/8/17/8/8/k6k w - -", "bm #2;", kMarked}},
         "k6k/8/8/8/17/8/8/k6k w - - id \"mirror-x\";\r\n",
         1,
         0},
        {"/2 turns duplicate and mirror tests off",
         withFlags(true, true, false),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K b - -", "bm #1;", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K b - -", "bm #1;", kPassed},
          {"7k/8/8/8/8/8/8/K5Q1 b - -", "bm #1;", kPassed}},
         "",
         0,
         0},
        {"illegal positions with the legality test",
         withFlags(false, false, true),
         {},
         {{"k7/8/8/8/8/8/8/8 w - -", "bm #1;", kMarked},
          {"k7/8/8/8/8/8/8/KP6 w - -", "", kMarked},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #1;", kPassed},
          {"k7/8/8/8/8/8/8/8 w - -", "bm #2;", kMarked}},
         "k7/8/8/8/8/8/8/8 w - - id \"illegal\";\r\n"
         "k7/8/8/8/8/8/8/KP6 w - - id \"illegal\";\r\n"
         "k7/8/8/8/8/8/8/8 w - - id \"duplicate\";\r\n",
         1,
         2},
        {"illegal positions pass without the legality test",
         withFlags(false, false, false),
         {},
         {{"k7/8/8/8/8/8/8/8 w - -", "bm #1;", kPassed}},
         "",
         0,
         0},
        {"database compare drops silently",
         withFlags(false, true, true, kSilent),
         {"k7/8/8/8/8/8/8/1Q5K b - - bm #"},
         {{"k7/8/8/8/8/8/8/1Q5K b - -", "bm #4;", kMarked},
          {"7k/8/8/8/8/8/8/K5Q1 b - -", "bm #1;", kMarked},
          {"k7/8/8/8/8/8/8/8 w - -", "bm #1;", kMarked},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #1;", kPassed}},
         "",
         0,
         0},
        {"--canonical: an en-passant square no pawn can use is left out of the key",
         canonical(withFlags(false, false, false)),
         {},
         {{"4k3/8/8/3p4/8/8/8/4K3 w - d6", "bm #3;", kPassed},
          {"4k3/8/8/3p4/8/8/8/4K3 w - -", "bm #2;", kMarked},
          {"6bk/8/8/2pP4/8/8/K7/8 w - c6", "bm #3;", kPassed},  // the taker is pinned
          {"6bk/8/8/2pP4/8/8/K7/8 w - -", "bm #3;", kMarked},
          {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "bm #3;", kPassed},  // a usable square stays
          {"4k3/8/8/3pP3/8/8/8/4K3 w - -", "bm #3;", kPassed}},
         "4k3/8/8/3p4/8/8/8/4K3 w - - id \"duplicate\";\r\n"
         "6bk/8/8/2pP4/8/8/K7/8 w - - id \"duplicate\";\r\n",
         2,
         0},
        {"without --canonical the en-passant square counts",
         withFlags(false, false, false),
         {},
         {{"4k3/8/8/3p4/8/8/8/4K3 w - d6", "bm #3;", kPassed},
          {"4k3/8/8/3p4/8/8/8/4K3 w - -", "bm #2;", kPassed},
          {"1q5k/8/8/8/8/8/8/K7 b - -", "bm #2;", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kPassed}},
         "",
         0,
         0},
        {"--canonical: a pawnless position matches its colour-reversed twin",
         canonical(withFlags(false, false, false)),
         {"4k3/8/8/8/8/8/8/R3K3 w Q - bm #"},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kPassed},
          {"1q5k/8/8/8/8/8/8/K7 b - -", "bm #3;", kMarked},
          {"1q5k/8/8/8/8/8/8/K7 b - -", "bm h#2;", kPassed},
          {"r3k3/8/8/8/8/8/8/4K3 b q -", "bm #4;", kMarked},
          {"4k3/4p3/8/8/8/8/8/4K3 w - -", "bm #2;", kPassed},  // pawns: no twin
          {"4k3/8/8/8/8/8/4P3/4K3 b - -", "bm #2;", kPassed},
          {"k5q1/8/8/8/8/8/8/7K b - -", "bm #2;", kPassed}},  // an image of the twin
         "1q5k/8/8/8/8/8/8/K7 b - - id \"mirror-c\";\r\n"
         "r3k3/8/8/8/8/8/8/4K3 b q - id \"mirror-c\";\r\n",
         2,
         0},
        {"--canonical with /xy: the twin's images too",
         canonical(withFlags(false, true, false)),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kPassed},
          {"k5q1/8/8/8/8/8/8/7K b - -", "bm #2;", kMarked},
          {"7K/8/8/8/8/8/8/k5q1 b - -", "bm #2;", kMarked}},
         "k5q1/8/8/8/8/8/8/7K b - - id \"mirror-cx\";\r\n"
         "7K/8/8/8/8/8/8/k5q1 b - - id \"mirror-y\";\r\n",
         2,
         0},
        {"database update drops silently",
         withFlags(false, false, false, kSilent),
         {},
         {{"k7/8/8/8/8/8/8/1Q5K w - -", "bm #1;", kPassed},
          {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;", kMarked}},
         "",
         0,
         0},
    };

    // Each scenario twice: records read the usual way, then records that are their line.
    for (const bool asLines : {false, true})
        for (const Scenario& sc : scenarios) {
            SCOPED_TRACE(std::string(sc.name) + (asLines ? " (lines)" : ""));
            std::error_code error;
            const std::string path = (std::filesystem::temp_directory_path(error) /
                                      ("vestrel_marking_" + std::to_string(std::random_device{}())))
                                         .string();
            const int fd = createFile(path);
            ASSERT_NE(fd, kNoFile);

            Marking marking;
            marking.seen = SeenSet(sc.options.policy);
            for (std::string_view key : sc.preloaded) marking.seen.preload(key);
            BufferedWriter log;
            openWriter(log, fd, 4096, true);

            for (const Record& r : sc.records) {
                SCOPED_TRACE(std::string(r.fields) + " " + std::string(r.opcodes));
                PendingRecord record;
                record.split = {std::string(r.fields), std::string(r.opcodes)};
                const std::string line =
                    std::string(r.fields) + (r.opcodes.empty() ? "" : " ") + std::string(r.opcodes);
                if (asLines) {
                    // As splitPlainLine leaves such a record: views of the line, its board read.
                    const std::string_view view = line;
                    record.plain = {view, view.substr(0, r.fields.size()),
                                    view.substr(line.size() - r.opcodes.size())};
                    if (readsBoards(sc.options.settings, marking)) scanBoard(line, record.board);
                }
                prepareMark(record, sc.options.settings, marking);
                EXPECT_EQ(markRecord(record, sc.options.settings, marking, log), r.verdict);
                // Marking never edits the record.
                EXPECT_EQ(record.split.positionFields, r.fields);
                EXPECT_EQ(record.split.opcodeText, r.opcodes);
            }
            EXPECT_TRUE(flushWriter(log));
            EXPECT_TRUE(closeWriter(log));
            EXPECT_EQ(readFile(path), sc.log);
            std::filesystem::remove(path, error);
            EXPECT_EQ(marking.duplicates, sc.duplicates);
            EXPECT_EQ(marking.illegal, sc.illegal);
            if (sc.options.policy.mode == LookupMode::None) {
                EXPECT_EQ(marking.seen.size(), 0);
            }
        }
}

TEST(MarkRecord, CountsWithoutALogFile) {
    const MarkSettings settings;
    Marking marking;
    marking.seen = SeenSet(SeenPolicy{});
    BufferedWriter log;  // never opened
    PendingRecord record;
    record.split = {"k7/8/8/8/8/8/8/1Q5K w - -", "bm #2;"};
    prepareMark(record, settings, marking);
    EXPECT_EQ(record.key, "k7/8/8/8/8/8/8/1Q5K w - - bm #");
    EXPECT_EQ(markRecord(record, settings, marking, log), MarkVerdict::Passed);
    EXPECT_EQ(markRecord(record, settings, marking, log), MarkVerdict::Marked);
    EXPECT_EQ(marking.duplicates, 1);
}

}  // namespace
}  // namespace vestrel
