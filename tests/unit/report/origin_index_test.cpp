#include "report/origin_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../database/database_files.h"
#include "report/line_fetch.h"

namespace vestrel {
namespace {

TEST(FindOrigins, GivesTheFileAndLineOfTheFirstRecordOfEachKey) {
    OriginIndex index;
    addOrigin(index, 0, 2, "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#");  // a database line
    addOrigin(index, 1, 5, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #");
    addOrigin(index, 1, 6, "k7/8/8/8/8/8/8/1Q5K w - - bm #");
    addOrigin(index, 1, 9, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #");  // stored twice: the first counts
    addOrigin(index, 2, 3, "8/8/8/8/8/8/8/K1k5 b - - bm #");
    const std::vector<std::string> keys = {
        "k7/8/8/8/8/8/8/1Q5K w - - bm #",
        "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #",
        "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#",
        "8/8/8/8/8/8/8/K1k5 b - - bm #",
        "8/8/8/8/8/8/8/K1k5 w - - bm #",  // never stored
        "",                               // no earlier key at all
        "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #",
    };
    const std::vector<Origin> origins = findOrigins(index, keys);
    ASSERT_EQ(origins.size(), keys.size());
    const Origin expected[] = {{true, 1, 6},  {true, 1, 5},  {true, 0, 2}, {true, 2, 3},
                               {false, 0, 0}, {false, 0, 0}, {true, 1, 5}};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(origins[i].found, expected[i].found);
        EXPECT_EQ(origins[i].file, expected[i].file);
        EXPECT_EQ(origins[i].line, expected[i].line);
    }
}

TEST(FindOrigins, ReadsEntriesAcrossBlocks) {
    OriginIndex index;
    for (int i = 0; i < 600000; ++i) {
        addOrigin(index, i < 300000 ? 0 : 1, i + 1,
                  "8/8/8/8/8/8/8/K1k5 w - - " + std::to_string(i));
    }
    EXPECT_GT(index.blocks.size(), 1u);
    const std::vector<Origin> origins =
        findOrigins(index, {"8/8/8/8/8/8/8/K1k5 w - - 599999", "8/8/8/8/8/8/8/K1k5 w - - 299999",
                            "8/8/8/8/8/8/8/K1k5 w - - 300000"});
    EXPECT_EQ(origins[0].line, 600000);
    EXPECT_EQ(origins[0].file, 1u);
    EXPECT_EQ(origins[1].file, 0u);
    EXPECT_EQ(origins[2].file, 1u);
    EXPECT_EQ(origins[2].line, 300001);
}

// Keys that differ in one byte only are told apart, whatever their length and wherever the
// byte stands: the hash reads every byte of every length's way through.
TEST(FindOrigins, TellsApartKeysThatDifferInOneByte) {
    OriginIndex index;
    std::vector<std::string> keys;
    for (std::size_t length : {1, 8, 9, 16, 17, 24, 32, 33, 40, 48, 63, 64, 65, 80, 100, 200}) {
        const std::string base(length, 'a');
        keys.push_back(base);
        for (std::size_t i = 0; i < length; ++i) {
            keys.push_back(base);
            keys.back()[i] = 'b';
        }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) addOrigin(index, 0, std::int64_t(i + 1), keys[i]);
    const std::vector<Origin> origins = findOrigins(index, keys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(origins[i].line, std::int64_t(i + 1));
    }
}

// The lines come back as the run read them: CR bytes dropped, the byte-order mark skipped,
// nothing after a Ctrl-Z, a last line without LF counted, long lines cut.
TEST(FetchLines, ReadsLinesAsTheRunReadThem) {
    testing::ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    const std::string longLine(3000000, 'x');  // spans blocks
    testing::writeFile("in.epd",
                       "\xEF\xBB\xBF"
                       "first\r\nsecond\n\nfou\rrth\r\n" +
                           longLine +
                           "\nsixth\x1A"
                           "after\nnever\n");
    const auto texts = fetchLines("in.epd", {1, 2, 3, 4, 5, 6, 7}, 10);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[0], "first");
    EXPECT_EQ(texts[1], "second");
    EXPECT_EQ(texts[2], "");
    EXPECT_EQ(texts[3], "fourth");
    EXPECT_EQ(texts[4], std::string(10, 'x'));
    EXPECT_EQ(texts[5], "sixth");
    EXPECT_FALSE(texts[6].has_value());

    testing::writeFile("last.epd", "one\ntwo");
    const auto last = fetchLines("last.epd", {2, 3}, 100);
    EXPECT_EQ(last[0], "two");
    EXPECT_FALSE(last[1].has_value());
    EXPECT_FALSE(fetchLines("missing.epd", {1}, 100)[0].has_value());
}

// Lines far into a file of many short lines, some of them empty: the lines before a wanted one
// are passed over many at a time, across the file's blocks.
TEST(FetchLines, FindsLinesFarIntoAFile) {
    testing::ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    const auto lineText = [](std::int64_t n) {
        return n % 50 == 0 ? std::string()
                           : std::to_string(n) + std::string(std::size_t(n % 37), 'x');
    };
    std::string text;
    for (std::int64_t n = 1; n <= 100000; ++n) text += lineText(n) + (n % 3 == 0 ? "\r\n" : "\n");
    testing::writeFile("many.epd", text);
    const std::vector<std::int64_t> lines = {1, 2, 50, 255, 256, 257, 5000, 65536, 99999, 100000};
    const auto texts = fetchLines("many.epd", lines, 100);
    ASSERT_EQ(texts.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(texts[i], lineText(lines[i]));
    }
    EXPECT_FALSE(fetchLines("many.epd", {100002}, 100)[0].has_value());
}

}  // namespace
}  // namespace vestrel
