#include "filter/repeated_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vestrel {
namespace {

constexpr std::string_view kLogEnd = " id \"duplicate\";\r\n";

// Remembers a line ended by LF whose position fields are its first `fields` bytes.
void remember(RepeatedLines& lines, const std::string& line, std::size_t fields) {
    lines.remember(line + "\n", line.size(), fields, kLogEnd);
}

// Lines of one length that share the bytes the hash reads (the first, middle and last eight)
// and differ elsewhere: each is known as itself, with its own fields and log line.
TEST(RepeatedLines, TellsApartLinesThatDifferOnlyWhereTheHashDoesNotRead) {
    const std::vector<std::string> lines = {
        "8/8/8/8/8/8/8/4K2k w - - bm #1; id \"first piece\";",
        "8/8/8/8/8/8/8/4K2k b - - bm #1; id \"first piece\";",
        "8/8/8/8/8/8/8/4K2k w - - bm #1; id \"firsT piece\";",
    };
    ASSERT_EQ(lines[0].size(), lines[1].size());
    RepeatedLines repeated;
    EXPECT_EQ(repeated.find(lines[0]), RepeatedLines::kNone);
    remember(repeated, lines[0], 24);
    EXPECT_EQ(repeated.find(lines[1]), RepeatedLines::kNone);
    EXPECT_EQ(repeated.find(lines[2]), RepeatedLines::kNone);
    remember(repeated, lines[1], 24);
    remember(repeated, lines[0], 10);  // known already: kept as it was
    EXPECT_EQ(repeated.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const RepeatedLines::Entry entry = repeated.find(lines[i]);
        ASSERT_NE(entry, RepeatedLines::kNone);
        EXPECT_EQ(repeated.raw(entry), lines[i] + "\n");
        EXPECT_EQ(repeated.fieldsLength(entry), 24u);
        EXPECT_EQ(repeated.logLine(entry), lines[i].substr(0, 24) + std::string(kLogEnd));
    }
    EXPECT_EQ(repeated.find("8/8/8/8/8/8/8/4K2k w - - bm #1; id \"first piece\""),
              RepeatedLines::kNone);  // one byte shorter
}

// The line read after a known one is expected after it the next time; a line not known breaks
// the run. A line that ended without LF has no bytes to be compared with.
TEST(RepeatedLines, ExpectsTheLineThatFollowedLastTime) {
    RepeatedLines repeated;
    remember(repeated, "a line", 1);
    remember(repeated, "b line", 1);
    repeated.remember("c line", 6, 1, kLogEnd);  // ended by a Ctrl-Z
    const RepeatedLines::Entry a = repeated.find("a line");
    const RepeatedLines::Entry b = repeated.find("b line");
    const RepeatedLines::Entry c = repeated.find("c line");
    ASSERT_NE(c, RepeatedLines::kNone);
    EXPECT_TRUE(repeated.raw(c).empty());
    EXPECT_EQ(repeated.expected(), RepeatedLines::kNone);
    repeated.follow(a);
    EXPECT_EQ(repeated.expected(), RepeatedLines::kNone);  // nothing came after it yet
    repeated.follow(b);
    repeated.follow(RepeatedLines::kNone);
    EXPECT_EQ(repeated.expected(), RepeatedLines::kNone);
    repeated.follow(a);
    EXPECT_EQ(repeated.expected(), b);
    repeated.follow(c);  // the link moves to the line that came this time
    repeated.follow(a);
    EXPECT_EQ(repeated.expected(), c);
    repeated.clear();
    EXPECT_EQ(repeated.find("a line"), RepeatedLines::kNone);
    EXPECT_EQ(repeated.expected(), RepeatedLines::kNone);
}

// Many lines: every line found is the line asked for, nearly all are found, and past the
// budget of texts nothing more is remembered.
TEST(RepeatedLines, GrowsAndKeepsToItsBudget) {
    RepeatedLines repeated;
    const auto line = [](int i) {
        return "8/8/8/8/8/8/8/4K2k w - - bm #1; id \"problem " + std::to_string(i) + "\";";
    };
    constexpr int kLines = 200000;  // about 22 MB of texts with their log lines: past 16 MiB
    for (int i = 0; i < kLines; ++i) remember(repeated, line(i), 24);
    int found = 0;
    int lastFound = -1;
    for (int i = 0; i < kLines; ++i) {
        const std::string text = line(i);
        const RepeatedLines::Entry entry = repeated.find(text);
        if (entry == RepeatedLines::kNone) continue;
        EXPECT_EQ(repeated.raw(entry), text + "\n");
        ++found;
        lastFound = i;
    }
    EXPECT_GT(found, 100000);
    EXPECT_LT(lastFound, kLines - 10000);  // the last lines came past the budget
    EXPECT_LT(repeated.size(), std::size_t(kLines));
}

// After many look-ups that found nothing only some lines are looked up, and a line found puts
// every line back to being looked up.
TEST(RepeatedLines, LooksUpFewerLinesWhileNoneIsFound) {
    RepeatedLines repeated;
    remember(repeated, "known line", 5);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(repeated.find("unknown line " + std::to_string(i)), RepeatedLines::kNone);
    }
    int asked = 1;
    while (repeated.find("known line") == RepeatedLines::kNone) ++asked;
    EXPECT_GT(asked, 1);
    EXPECT_LE(asked, 16);
    EXPECT_NE(repeated.find("known line"), RepeatedLines::kNone);
}

}  // namespace
}  // namespace vestrel
