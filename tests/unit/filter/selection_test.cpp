#include "filter/selection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/range.h"

namespace vestrel {
namespace {

// Settings as option parsing leaves them for a find or skip list: sign plus operand, and the
// operand cut into items.
RunSettings findSettings(char sign, std::string_view operand) {
    RunSettings s;
    s.findList = std::string(1, sign) + std::string(operand);
    s.findItems = itemList(operand);
    return s;
}

RunSettings skipSettings(char sign, std::string_view operand) {
    RunSettings s;
    s.skipList = std::string(1, sign) + std::string(operand);
    s.skipItems = itemList(operand);
    return s;
}

TEST(ItemList, SplitsAtCommasWithFinalCommaSupplied) {
    struct Case {
        std::string_view list;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a,", {"a"}},
        {",", {""}},
        {",,", {"", ""}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,,", {"a", "b", ""}},
        {"bm #2,bm #3", {"bm #2", "bm #3"}},
        {" w = b ", {" w = b "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        EXPECT_EQ(itemList(c.list), c.items);
    }
}

TEST(ReplacementList, SplitsEachItemAtItsFirstEquals) {
    struct Case {
        std::string_view list;
        std::vector<std::pair<std::string, std::string>> pairs;
    };
    const Case cases[] = {
        {"dm=ce", {{"dm", "ce"}}},
        {";", {{";", ""}}},
        {"=x", {{"", "x"}}},
        {"a=b=c", {{"a", "b=c"}}},
        {"a=,b=c", {{"a", ""}, {"b", "c"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const std::vector<Replacement> got = replacementList(c.list);
        ASSERT_EQ(got.size(), c.pairs.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].from, c.pairs[i].first);
            EXPECT_EQ(got[i].to, c.pairs[i].second);
        }
    }
}

TEST(FindFilter, KeepsByAnyOrEveryItem) {
    struct Case {
        char sign;
        std::string_view operand, record;
        bool keep;
    };
    const Case cases[] = {
        {'-', "bm #2,bm #3", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", true},
        {'-', "bm #2,bm #3", "k7/8/8/8/8/8/8/1Q5K w - - bm #3;", true},
        {'-', "bm #2,bm #3", "k7/8/8/8/8/8/8/1Q5K w - - bm #4;", false},
        {'+', "bm #2,id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";", true},
        {'+', "bm #2,id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", false},
        {'+', "bm #2,id", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";", false},
        {'-', "BM", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", false},
        {'-', "", "anything", true},
        {'+', "", "anything", true},
        {'+', "a,,b", "ab", false},
        {'-', "a,,b", "xb", true},
        {'-', "a,,b", "xyz", false},
        {'-', ",", "xyz", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.sign) + std::string(c.operand) + " | " +
                     std::string(c.record));
        EXPECT_EQ(passesFindFilter(c.record, findSettings(c.sign, c.operand)), c.keep);
    }
}

TEST(FindFilter, OffWithoutSettings) { EXPECT_TRUE(passesFindFilter("abc", RunSettings{})); }

TEST(SkipFilter, DropsByAnyOrEveryItem) {
    struct Case {
        char sign;
        std::string_view operand, record;
        bool keep;
    };
    const Case cases[] = {
        {'-', "id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";", false},
        {'-', "id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", true},
        {'-', "c0,id", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"x\";", false},
        {'+', "a,b", "ab", false},
        {'+', "a,b", "a", true},
        {'+', "a,b", "b", true},
        {'+', "a,,b", "ab", true},
        {'-', "a,,b", "xyz", true},
        {'-', "", "id", true},
        {'+', "", "id", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.sign) + std::string(c.operand) + " | " +
                     std::string(c.record));
        EXPECT_EQ(passesSkipFilter(c.record, skipSettings(c.sign, c.operand)), c.keep);
    }
}

TEST(Replacements, EditTheWholeRecordInListOrder) {
    struct Case {
        std::string_view list, record, result;
    };
    const Case cases[] = {
        {"dm=ce", "bm #2; dm 2;", "bm #2; ce 2;"},
        {";", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";",
         "k7/8/8/8/8/8/8/1Q5K w - - bm #2 id \"x\""},
        {"ab=ba", "aab", "aba"},
        {" w = b ", "8/8/8/8/8/8/8/K1k5 w - - bm #1;", "8/8/8/8/8/8/8/K1k5 b - - bm #1;"},
        {"=x", "a=b", "a=b"},
        {"a=b,b=c", "ab", "cc"},
        {"q=Q,z=y", "qq", "QQ"},
        {"a=b=c", "xa", "xb=c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        RunSettings s;
        s.replaceList = c.list;
        s.replacements = replacementList(c.list);
        std::string record(c.record);
        std::string scratch;
        applyReplacements(record, s, scratch);
        EXPECT_EQ(record, c.result);
    }
}

TEST(PieceFilter, AppliesTheStoredRange) {
    struct Case {
        std::string_view operand;
        int pieces;
        bool keep;
    };
    const Case cases[] = {
        {"32", 32, true}, {"32", 31, false}, {"~2", 2, false},  {"~2", 3, true},
        {"3-", 3, true},  {"3-", 2, false},  {"3-", 32, true},  {"+4", 4, false},
        {"+4", 5, true},  {"-4", 3, true},   {"5-3", 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operand) + " / " + std::to_string(c.pieces));
        RunSettings s;
        s.pieceRange = storeRange(c.operand);
        EXPECT_EQ(passesPieceFilter(c.pieces, s), c.keep);
    }
    EXPECT_TRUE(passesPieceFilter(0, RunSettings{}));
}

TEST(MateFilter, NeedsAMateLengthInTheRange) {
    struct Case {
        std::string_view operand;  // empty: /m not given
        int mateLength;
        bool keep;
    };
    const Case cases[] = {
        {"", 0, true},    {"~0", 0, false}, {"~0", 3, true},  {"-4", 1, true},   {"-4", 3, true},
        {"-4", 4, false}, {"-4", 0, false}, {"2-3", 2, true}, {"2-3", 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operand) + " / " + std::to_string(c.mateLength));
        RunSettings s;
        if (!c.operand.empty()) s.mateRange = storeRange(c.operand);
        EXPECT_EQ(passesMateFilter(c.mateLength, s), c.keep);
    }
}

TEST(RecordTime, FindsTheFirstOrSecondTime) {
    const std::string farSecondTime = "bm #3; 01:20;" + std::string(300, ' ') + "00:40 @ C1/;";
    struct Case {
        std::string opcodes;
        char marker;
        std::optional<std::string> time;
    };
    const Case cases[] = {
        {"bm #3; 01:20;", ' ', "01:20"},
        {"bm #3; --:--;", ' ', "--:--"},
        {"bm #3;", ' ', std::nullopt},
        {"1:20;", ' ', std::nullopt},
        {"bm #3; 1:02:03;", ' ', "99:99"},
        {"bm #3; 01:02:03;", ' ', "99:99"},
        {"bm #3; 01:20; 00:40 @ C1/;", ' ', "01:20"},
        {"bm #3; 01:20; 00:40 @ C1/;", '@', "00:40"},
        {"bm #3; 00:40 @ C1/;", ' ', std::nullopt},
        {"bm #3; 00:40 @ C1/;", '@', "00:40"},
        {"bm #3; 01:20; 1:02:03 @ C1/;", '@', "99:99"},
        {"bm #3; 01:20;", '@', std::nullopt},
        {"bm #3; 12:34+;", ' ', "12:34"},
        {"bm #3; 12:34++;", ' ', std::nullopt},
        {"bm #3; 01:20", ' ', "01:20"},
        {farSecondTime, '@', std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes + " marker '" + c.marker + "'");
        std::string scratch;
        const std::optional<std::string_view> got = recordTime(c.opcodes, c.marker, scratch);
        ASSERT_EQ(got.has_value(), c.time.has_value());
        if (got) {
            EXPECT_EQ(*got, *c.time);
        }
    }
}

TEST(TimeFilter, TestsTheRecordTimeAgainstTheSetting) {
    struct Case {
        char mode;
        std::string_view lower, upper;
        char marker;
        std::string_view opcodes;
        bool keep;
    };
    const Case cases[] = {
        {' ', "00:00", "99:99", ' ', "bm #3; 01:20;", true},
        {' ', "00:00", "99:99", ' ', "bm #3; --:--;", false},
        {'~', "01:00", "99:99", ' ', "bm #3; --:--;", false},
        {' ', "00:00", "99:99", ' ', "bm #3;", false},
        {'+', "01:00", "99:99", ' ', "bm #3; 01:20;", true},
        {'+', "01:00", "99:99", ' ', "bm #3; 01:00;", false},
        {'-', "00:00", "01:00", ' ', "bm #3; 00:59;", true},
        {'-', "00:00", "01:00", ' ', "bm #3; 01:00;", false},
        {'~', "01:00", "99:99", ' ', "bm #3; 01:00;", false},
        {'~', "01:00", "99:99", ' ', "bm #3; 01:01;", true},
        {' ', "01:00", "02:00", ' ', "bm #3; 01:00;", true},
        {' ', "01:00", "02:00", ' ', "bm #3; 02:00;", true},
        {' ', "01:00", "02:00", ' ', "bm #3; 02:01;", false},
        {' ', "01:00", "02:00", ' ', "bm #3; 00:59;", false},
        {'+', "50:00", "99:99", ' ', "bm #3; 1:02:03;", true},
        {'-', "00:00", "50:00", ' ', "bm #3; 01:02:03;", false},
        {' ', "00:30", "00:50", '@', "bm #3; 01:20; 00:40 @ C1/;", true},
        {' ', "00:30", "00:50", ' ', "bm #3; 01:20; 00:40 @ C1/;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.mode) + std::string(c.lower) + "-" + std::string(c.upper) +
                     c.marker + " | " + std::string(c.opcodes));
        RunSettings s;
        s.time = {true, c.mode, c.marker, std::string(c.lower), std::string(c.upper)};
        std::string scratch;
        EXPECT_EQ(passesTimeFilter(c.opcodes, s, scratch), c.keep);
    }
    std::string scratch;
    EXPECT_TRUE(passesTimeFilter("bm #3;", RunSettings{}, scratch));
}

TEST(ParamsFilter, ReadsTermsLeftToRight) {
    const std::string farK = "bm #3; 00:40 @ C1/" + std::string(270, 'R') + "/K5;";
    struct Case {
        std::string_view params;
        std::string opcodes;
        bool keep;
    };
    const Case cases[] = {
        {"", "bm #3;", true},
        {"@", "bm #3; 00:40 @ C1/;", true},
        {"@", "bm #3; 00:40;", false},
        {"@", "bm #3; x@y;", false},
        {"C/K/", "bm #3; 00:40 @ C2/K1;", true},
        {"C/K/", "bm #3; 00:40 @ C2;", false},
        {"c/k/", "bm #3; 00:40 @ C2/K1;", true},
        {"c/k/", "bm #3; 00:40 @ C2;", true},
        {"c/k/", "bm #3; 00:40 @ R2;", false},
        {"K/c/", "bm #3; 00:40 @ C2;", false},
        {"c/", "bm #3; 00:40 @ C2;", true},
        {"c/", "bm #3; 00:40 @ R2;", false},
        {"C/", "bm #3; 00:40 @ C0/R2;", false},
        {"c/K/", "bm #3; 00:40 @ C2;", true},
        {"c/K/", "bm #3; 00:40 @ K1;", true},
        {"c/K/", "bm #3; 00:40 @ R1;", false},
        {"C/k/", "bm #3; 00:40 @ C2;", false},
        {"C/k/", "bm #3; 00:40 @ C2/K1;", true},
        {"C3/", "bm #3; 00:40 @ C-3/R2;", true},
        {"C+2/R-3/", "bm #3; 00:40 @ C3/R2;", true},
        {"C+2/R-3/", "bm #3; 00:40 @ C3/R4;", false},
        {"K/", "bm #3; 00:40 @ C2; K1;", false},
        {"K/", farK, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.params) + " | " + c.opcodes);
        RunSettings s;
        s.params = c.params;
        std::string scratch;
        EXPECT_EQ(passesParamsFilter(c.opcodes, s, scratch), c.keep);
    }
}

}  // namespace
}  // namespace vestrel
