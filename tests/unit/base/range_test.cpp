#include "base/range.h"

#include <gtest/gtest.h>

#include "app/range_parse.h"

namespace vestrel {
namespace {

TEST(RangeTest, AppliesEachKind) {
    struct Case {
        std::string_view operand;
        long long value;
        bool passes;
    };
    const Case cases[] = {
        {"3-", 3, true},   {"3-", 2, false},  {"3-", 999, true}, {"3-", 1000, false},
        {"+5", 6, true},   {"+5", 5, false},  {"-4", 3, true},   {"-4", 4, false},
        {"~2", 2, false},  {"~2", 3, true},   {"32", 32, true},  {"32", 31, false},
        {"7-3", 5, false}, {"7-3", 7, false}, {"2-4", 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand);
        EXPECT_EQ(rangeTest(c.value, storeRange(c.operand)), c.passes) << c.value;
    }
    EXPECT_TRUE(rangeTest(12345, Range{}));
}

TEST(TimeTest, ComparesFiveCharacterTexts) {
    struct Case {
        TimeMode mode;
        std::string_view lower, upper, time;
        bool passes;
    };
    const Case cases[] = {
        {TimeMode::FromTo, "05:00", "05:00", "05:00", true},
        {TimeMode::FromTo, "05:00", "05:00", "05:01", false},
        {TimeMode::FromTo, "01:00", "02:00", "01:00", true},
        {TimeMode::FromTo, "01:00", "02:00", "02:00", true},
        {TimeMode::More, "01:00", "99:99", "01:20", true},
        {TimeMode::More, "01:00", "99:99", "01:00", false},
        {TimeMode::Less, "00:00", "01:00", "00:59", true},
        {TimeMode::Less, "00:00", "01:00", "01:00", false},
        {TimeMode::Unequal, "01:00", "99:99", "01:00", false},
        {TimeMode::Unequal, "01:00", "99:99", "99:99", true},
    };
    for (const Case& c : cases) {
        TimeSetting t;
        t.active = true;
        t.mode = c.mode;
        t.lower = std::string(c.lower);
        t.upper = std::string(c.upper);
        EXPECT_EQ(timeTest(c.time, t), c.passes)
            << static_cast<int>(c.mode) << c.lower << c.upper << c.time;
    }
}

TEST(MatchParamsTerm, FollowsTheTermForms) {
    struct Case {
        std::string_view term, params;
        bool holds;
    };
    const Case cases[] = {
        {"C/", "C3/R2/", true},    {"C/", "R2/", false},     {"C/", "C0/R2/", false},
        {"C3/", "C-3/R2/", true},  {"C3/", "C13/", false},   {"c3/", "C3/", true},
        {"C2-/", "C150/", true},   {"C2-/", "C300/", false}, {"C+2/", "C-3/", true},
        {"c+2/", "C-3/", true},    {"C+3/", "C3/", false},   {"R-3/", "C9/R2/", true},
        {"R~2/", "R2/", false},    {"R~2/", "R5x/", true},   {"K1-3/", "K4/", false},
        {"K1-3/", "C1/K3/", true}, {"X+0/", "C5/", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.term) + " on " + std::string(c.params));
        ParamsTerm term;
        ASSERT_TRUE(parseParamsTerm(c.term, term));
        EXPECT_EQ(matchParamsTerm(term, c.params), c.holds);
    }
}

}  // namespace
}  // namespace vestrel
