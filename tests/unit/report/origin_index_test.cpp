#include "report/origin_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vestrel {
namespace {

TEST(FindOrigins, GivesTheFirstRecordOfEachKeyWithItsWholeLine) {
    OriginIndex index;
    // The key holds the line's start, or (no stipulation) the fields and " bm #".
    addOrigin(index, 0, 5, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #", "kbK5/pp6/1P6/8/8/8/8/R7 w - -",
              "bm #2; 00:04; id \"Morphy\";");
    addOrigin(index, 0, 6, "k7/8/8/8/8/8/8/1Q5K w - - bm #", "k7/8/8/8/8/8/8/1Q5K w - -",
              "id \"no stipulation\";");
    addOrigin(index, 0, 7, "8/8/8/8/8/8/8/K1k5 b - - bm #", "8/8/8/8/8/8/8/K1k5 b - -", "");
    addOrigin(index, 0, 9, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #", "kbK5/pp6/1P6/8/8/8/8/R7 w - -",
              "bm #3; id \"later\";");
    // A database line is handed over whole, with or without a stipulation in its key.
    addDatabaseOrigin(index, 1, 2, "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#",
                      "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#2; 02:15; --:--;");
    addDatabaseOrigin(index, 1, 3, "8/8/8/8/8/8/8/k1K5 w - - bm #",
                      "8/8/8/8/8/8/8/k1K5 w - - id \"x\";");
    const std::vector<std::string> keys = {
        "k7/8/8/8/8/8/8/1Q5K w - - bm #",     "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #",
        "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#",  "8/8/8/8/8/8/8/K1k5 b - - bm #",
        "8/8/8/8/8/8/8/K1k5 w - - bm #",      "",
        "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #", "8/8/8/8/8/8/8/k1K5 w - - bm #",
    };
    const std::vector<Origin> origins = findOrigins(index, keys);
    ASSERT_EQ(origins.size(), keys.size());
    struct Expected {
        bool found;
        std::uint32_t file;
        std::int64_t line;
        std::string text;
    };
    const Expected expected[] = {
        {true, 0, 6, "k7/8/8/8/8/8/8/1Q5K w - - id \"no stipulation\";"},
        {true, 0, 5, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #2; 00:04; id \"Morphy\";"},
        {true, 1, 2, "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#2; 02:15; --:--;"},
        {true, 0, 7, "8/8/8/8/8/8/8/K1k5 b - -"},
        {false, 0, 0, ""},
        {false, 0, 0, ""},
        {true, 0, 5, "kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #2; 00:04; id \"Morphy\";"},
        {true, 1, 3, "8/8/8/8/8/8/8/k1K5 w - - id \"x\";"},
    };
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(origins[i].found, expected[i].found);
        EXPECT_EQ(origins[i].file, expected[i].file);
        EXPECT_EQ(origins[i].line, expected[i].line);
        EXPECT_EQ(origins[i].text, expected[i].text);
    }
}

TEST(FindOrigins, ReadsEntriesAcrossBlocksAndLeavesOutHugeRecords) {
    OriginIndex index;
    // Lines of 60,000 bytes: a few hundred fill more than one block.
    const std::string opcodes = "bm #2; id \"" + std::string(60000, 'x') + "\";";
    for (int i = 0; i < 1000; ++i) {
        const std::string fields = "k7/8/8/8/8/8/8/1Q5K w - - " + std::to_string(i);
        addOrigin(index, 0, i + 1, fields + " bm #", fields, opcodes);
    }
    addOrigin(index, 0, 1001, std::string(70000, 'k'), "k7/8/8/8/8/8/8/1Q5K w - -", "");
    EXPECT_GT(index.blocks.size(), 1u);
    EXPECT_EQ(index.entries, 1000u);
    const std::vector<Origin> origins =
        findOrigins(index, {"k7/8/8/8/8/8/8/1Q5K w - - 999 bm #",
                            "k7/8/8/8/8/8/8/1Q5K w - - 0 bm #", std::string(70000, 'k')});
    EXPECT_EQ(origins[0].line, 1000);
    EXPECT_TRUE(origins[0].text ==
                "k7/8/8/8/8/8/8/1Q5K w - - 999 " + opcodes);  // too long to print
    EXPECT_EQ(origins[1].line, 1);
    EXPECT_FALSE(origins[2].found);
}

}  // namespace
}  // namespace vestrel
