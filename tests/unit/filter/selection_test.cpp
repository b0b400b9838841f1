#include "filter/selection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../parsed_settings.h"

namespace vestrel {
namespace {

// Settings as option parsing leaves them for /f, /F, /s or /S with this operand.
RunSettings listSettings(char option, std::string_view operand) {
    return parsedSettings({"/" + std::string(1, option) + std::string(operand)});
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
        const char option = c.sign == '+' ? 'F' : 'f';
        EXPECT_EQ(passesFindFilter(c.record, listSettings(option, c.operand)), c.keep);
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
        const char option = c.sign == '+' ? 'S' : 's';
        EXPECT_EQ(passesSkipFilter(c.record, listSettings(option, c.operand)), c.keep);
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
        {"ab=ba", "abb", "bab"},  // the inserted "b" and the next "b" are not a new "ab"
        {" w = b ", "8/8/8/8/8/8/8/K1k5 w - - bm #1;", "8/8/8/8/8/8/8/K1k5 b - - bm #1;"},
        {"=x", "a=b", "a=b"},
        {"a=b,b=c", "ab", "cc"},
        {"q=Q,z=y", "qq", "QQ"},
        {"a=b=c", "xa", "xb=c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const RunSettings s = parsedSettings({"/r" + std::string(c.list)});
        std::string record(c.record);
        std::string scratch;
        applyReplacements(record, s, scratch);
        EXPECT_EQ(record, c.result);
    }
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
        const RunSettings s =
            c.operand.empty() ? RunSettings{} : parsedSettings({"/m" + std::string(c.operand)});
        EXPECT_EQ(passesMateFilter(c.mateLength, s), c.keep);
    }
}

TEST(RecordTime, FindsTheFirstOrSecondTime) {
    const std::string farSecondTime = "bm #3; 01:20;" + std::string(300, ' ') + "00:40 @ C1/;";
    struct Case {
        std::string opcodes;
        bool secondTime;
        std::optional<std::string> time;
    };
    const Case cases[] = {
        {"bm #3; 01:20;", false, "01:20"},
        {"bm #3; --:--;", false, "--:--"},
        {"bm #3;", false, std::nullopt},
        {"1:20;", false, std::nullopt},
        {"bm #3; 1:02:03;", false, "99:99"},
        {"bm #3; 01:02:03;", false, "99:99"},
        {"bm #3; 01:20; 00:40 @ C1/;", false, "01:20"},
        {"bm #3; 01:20; 00:40 @ C1/;", true, "00:40"},
        {"bm #3; 00:40 @ C1/;", false, std::nullopt},
        {"bm #3; 00:40 @ C1/;", true, "00:40"},
        {"bm #3; 01:20; 1:02:03 @ C1/;", true, "99:99"},
        {"bm #3; 01:20;", true, std::nullopt},
        {"bm #3; 12:34+;", false, "12:34"},
        {"bm #3; 12:34++;", false, std::nullopt},
        {"bm #3; 01:20", false, "01:20"},
        {farSecondTime, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes + (c.secondTime ? " second time" : ""));
        std::string scratch;
        const std::optional<std::string_view> got = recordTime(c.opcodes, c.secondTime, scratch);
        ASSERT_EQ(got.has_value(), c.time.has_value());
        if (got) {
            EXPECT_EQ(*got, *c.time);
        }
    }
}

TEST(TimeFilter, TestsTheRecordTimeAgainstTheSetting) {
    struct Case {
        std::string_view option, opcodes;
        bool keep;
    };
    const Case cases[] = {
        {"/t", "bm #3; 01:20;", true},
        {"/t", "bm #3; --:--;", false},
        {"/t~01:00", "bm #3; --:--;", false},
        {"/t", "bm #3;", false},
        {"/t+01:00", "bm #3; 01:20;", true},
        {"/t+01:00", "bm #3; 01:00;", false},
        {"/t-01:00", "bm #3; 00:59;", true},
        {"/t-01:00", "bm #3; 01:00;", false},
        {"/t~01:00", "bm #3; 01:00;", false},
        {"/t~01:00", "bm #3; 01:01;", true},
        {"/t01:00-02:00", "bm #3; 01:00;", true},
        {"/t01:00-02:00", "bm #3; 02:00;", true},
        {"/t01:00-02:00", "bm #3; 02:01;", false},
        {"/t01:00-02:00", "bm #3; 00:59;", false},
        {"/t+50:00", "bm #3; 1:02:03;", true},
        {"/t-50:00", "bm #3; 01:02:03;", false},
        {"/t00:30-00:50@", "bm #3; 01:20; 00:40 @ C1/;", true},
        {"/t00:30-00:50", "bm #3; 01:20; 00:40 @ C1/;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " | " + std::string(c.opcodes));
        const RunSettings s = parsedSettings({std::string(c.option)});
        std::string scratch;
        EXPECT_EQ(passesTimeFilter(c.opcodes, s, scratch), c.keep);
    }
    std::string scratch;
    EXPECT_TRUE(passesTimeFilter("bm #3;", RunSettings{}, scratch));
}

TEST(ParamsFilter, ReadsTermsLeftToRight) {
    const std::string farK = "bm #3; 00:40 @ C1/" + std::string(270, 'R') + "/K5;";
    struct Case {
        std::string_view option;  // empty: no /@
        std::string opcodes;
        bool keep;
    };
    const Case cases[] = {
        {"", "bm #3;", true},
        {"/@", "bm #3; 00:40 @ C1/;", true},
        {"/@", "bm #3; 00:40;", false},
        {"/@", "bm #3; x@y;", false},
        {"/@C/K/", "bm #3; 00:40 @ C2/K1;", true},
        {"/@C/K/", "bm #3; 00:40 @ C2;", false},
        {"/@c/k/", "bm #3; 00:40 @ C2/K1;", true},
        {"/@c/k/", "bm #3; 00:40 @ C2;", true},
        {"/@c/k/", "bm #3; 00:40 @ R2;", false},
        {"/@K/c/", "bm #3; 00:40 @ C2;", false},
        {"/@c/", "bm #3; 00:40 @ C2;", true},
        {"/@c/", "bm #3; 00:40 @ R2;", false},
        {"/@C/", "bm #3; 00:40 @ C0/R2;", false},
        {"/@c/K/", "bm #3; 00:40 @ C2;", true},
        {"/@c/K/", "bm #3; 00:40 @ K1;", true},
        {"/@c/K/", "bm #3; 00:40 @ R1;", false},
        {"/@C/k/", "bm #3; 00:40 @ C2;", false},
        {"/@C/k/", "bm #3; 00:40 @ C2/K1;", true},
        {"/@C3/", "bm #3; 00:40 @ C-3/R2;", true},
        {"/@C+2/R-3/", "bm #3; 00:40 @ C3/R2;", true},
        {"/@C+2/R-3/", "bm #3; 00:40 @ C3/R4;", false},
        {"/@K/", "bm #3; 00:40 @ C2; K1;", false},
        {"/@K/", farK, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " | " + c.opcodes);
        const RunSettings s =
            c.option.empty() ? RunSettings{} : parsedSettings({std::string(c.option)});
        std::string scratch;
        EXPECT_EQ(passesParamsFilter(c.opcodes, s, scratch), c.keep);
    }
}

}  // namespace
}  // namespace vestrel
