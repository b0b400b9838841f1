#include "filter/selection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace vestrel {
namespace {

constexpr ListMatch kAny = ListMatch::Any;
constexpr ListMatch kAll = ListMatch::All;

SelectionSettings findSettings(TextList list) {
    SelectionSettings settings;
    settings.find = std::move(list);
    return settings;
}

SelectionSettings skipSettings(TextList list) {
    SelectionSettings settings;
    settings.skip = std::move(list);
    return settings;
}

TEST(FindFilter, KeepsByAnyOrEveryItem) {
    struct Case {
        TextList list;
        std::string_view record;
        bool keep;
    };
    const Case cases[] = {
        {{kAny, {"bm #2", "bm #3"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", true},
        {{kAny, {"bm #2", "bm #3"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #3;", true},
        {{kAny, {"bm #2", "bm #3"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #4;", false},
        {{kAll, {"bm #2", "id"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";", true},
        {{kAll, {"bm #2", "id"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", false},
        {{kAll, {"bm #2", "id"}}, "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";", false},
        {{kAny, {"BM"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", false},
        {{kAny, {}}, "anything", true},
        {{kAll, {}}, "anything", true},
        {{kAll, {"a", "", "b"}}, "ab", false},
        {{kAny, {"a", "", "b"}}, "xb", true},
        {{kAny, {"a", "", "b"}}, "xyz", false},
        {{kAny, {""}}, "xyz", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.list.items) + " | " + std::string(c.record));
        EXPECT_EQ(passesFindFilter(c.record, findSettings(c.list)), c.keep);
    }
}

TEST(SkipFilter, DropsByAnyOrEveryItem) {
    struct Case {
        TextList list;
        std::string_view record;
        bool keep;
    };
    const Case cases[] = {
        {{kAny, {"id"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";", false},
        {{kAny, {"id"}}, "k7/8/8/8/8/8/8/1Q5K w - - bm #2;", true},
        {{kAny, {"c0", "id"}}, "k7/8/8/8/8/8/8/1Q5K w - - c0 \"x\";", false},
        {{kAll, {"a", "b"}}, "ab", false},
        {{kAll, {"a", "b"}}, "a", true},
        {{kAll, {"a", "b"}}, "b", true},
        {{kAll, {"a", "", "b"}}, "ab", true},
        {{kAny, {"a", "", "b"}}, "xyz", true},
        {{kAny, {}}, "id", true},
        {{kAll, {}}, "id", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.list.items) + " | " + std::string(c.record));
        EXPECT_EQ(passesSkipFilter(c.record, skipSettings(c.list)), c.keep);
    }
}

TEST(Replacements, EditTheWholeRecordInListOrder) {
    struct Case {
        std::vector<Replacement> pairs;
        std::string_view record, result;
    };
    const Case cases[] = {
        {{{"dm", "ce"}}, "bm #2; dm 2;", "bm #2; ce 2;"},
        {{{";", ""}},
         "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";",
         "k7/8/8/8/8/8/8/1Q5K w - - bm #2 id \"x\""},
        {{{"ab", "ba"}}, "aab", "aba"},
        {{{"ab", "ba"}}, "abb", "bab"},  // the inserted "b" and the next "b" are not a new "ab"
        {{{" w ", " b "}}, "8/8/8/8/8/8/8/K1k5 w - - bm #1;", "8/8/8/8/8/8/8/K1k5 b - - bm #1;"},
        {{{"", "x"}}, "a=b", "a=b"},
        {{{"a", "b"}, {"b", "c"}}, "ab", "cc"},
        {{{"q", "Q"}, {"z", "y"}}, "qq", "QQ"},
        {{{"a", "b=c"}}, "xa", "xb=c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        SelectionSettings s;
        s.replacements = c.pairs;
        std::string record(c.record);
        std::string scratch;
        applyReplacements(record, s, scratch);
        EXPECT_EQ(record, c.result);
    }
}

TEST(MateFilter, NeedsAMateLengthInTheRange) {
    constexpr Range kOff{};
    constexpr Range kAnyMate{RangeKind::Unequal, 0, 0};  // plain /m
    constexpr Range kBelow4{RangeKind::Less, 4, 0};
    constexpr Range k2To3{RangeKind::FromTo, 2, 3};
    struct Case {
        Range range;
        int mateLength;
        bool keep;
    };
    const Case cases[] = {
        {kOff, 0, true},     {kAnyMate, 0, false}, {kAnyMate, 3, true},
        {kBelow4, 1, true},  {kBelow4, 3, true},   {kBelow4, 4, false},
        {kBelow4, 0, false}, {k2To3, 2, true},     {k2To3, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.range.kind)) + " / " +
                     std::to_string(c.mateLength));
        SelectionSettings s;
        s.mateRange = c.range;
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

// An active /t setting.
TimeSetting times(TimeMode mode, std::string lower = "00:00", std::string upper = "99:99",
                  bool secondTime = false) {
    return {.active = true,
            .mode = mode,
            .secondTime = secondTime,
            .lower = std::move(lower),
            .upper = std::move(upper)};
}

TEST(TimeTest, ComparesFiveCharacterTexts) {
    struct Case {
        TimeSetting setting;
        std::string_view time;
        bool passes;
    };
    const Case cases[] = {
        {times(TimeMode::FromTo, "05:00", "05:00"), "05:00", true},
        {times(TimeMode::FromTo, "05:00", "05:00"), "05:01", false},
        {times(TimeMode::FromTo, "01:00", "02:00"), "01:00", true},
        {times(TimeMode::FromTo, "01:00", "02:00"), "02:00", true},
        {times(TimeMode::More, "01:00"), "01:20", true},
        {times(TimeMode::More, "01:00"), "01:00", false},
        {times(TimeMode::Less, "00:00", "01:00"), "00:59", true},
        {times(TimeMode::Less, "00:00", "01:00"), "01:00", false},
        {times(TimeMode::Unequal, "01:00"), "01:00", false},
        {times(TimeMode::Unequal, "01:00"), "99:99", true},
    };
    for (const Case& c : cases) {
        const TimeSetting& t = c.setting;
        EXPECT_EQ(timeTest(c.time, t), c.passes)
            << static_cast<int>(t.mode) << t.lower << t.upper << c.time;
    }
}

TEST(TimeFilter, TestsTheRecordTimeAgainstTheSetting) {
    const TimeSetting any = times(TimeMode::FromTo);
    const TimeSetting over1 = times(TimeMode::More, "01:00");
    const TimeSetting under1 = times(TimeMode::Less, "00:00", "01:00");
    const TimeSetting not1 = times(TimeMode::Unequal, "01:00");
    const TimeSetting from1To2 = times(TimeMode::FromTo, "01:00", "02:00");
    struct Case {
        TimeSetting setting;
        std::string_view opcodes;
        bool keep;
    };
    const Case cases[] = {
        {any, "bm #3; 01:20;", true},
        {any, "bm #3; --:--;", false},
        {not1, "bm #3; --:--;", false},
        {any, "bm #3;", false},
        {over1, "bm #3; 01:20;", true},
        {over1, "bm #3; 01:00;", false},
        {under1, "bm #3; 00:59;", true},
        {under1, "bm #3; 01:00;", false},
        {not1, "bm #3; 01:00;", false},
        {not1, "bm #3; 01:01;", true},
        {from1To2, "bm #3; 01:00;", true},
        {from1To2, "bm #3; 02:00;", true},
        {from1To2, "bm #3; 02:01;", false},
        {from1To2, "bm #3; 00:59;", false},
        {times(TimeMode::More, "50:00"), "bm #3; 1:02:03;", true},
        {times(TimeMode::Less, "00:00", "50:00"), "bm #3; 01:02:03;", false},
        {times(TimeMode::FromTo, "00:30", "00:50", true), "bm #3; 01:20; 00:40 @ C1/;", true},
        {times(TimeMode::FromTo, "00:30", "00:50"), "bm #3; 01:20; 00:40 @ C1/;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        SelectionSettings s;
        s.time = c.setting;
        std::string scratch;
        EXPECT_EQ(passesTimeFilter(c.opcodes, s, scratch), c.keep);
    }
    std::string scratch;
    EXPECT_TRUE(passesTimeFilter("bm #3;", SelectionSettings{}, scratch));
}

// A params term as /@ writes it: an upper-case letter is required, a lower-case one an
// alternative; without a range the letter must be present and not 0.
ParamsTerm term(char letter, Range range = {RangeKind::Unequal, 0, 0}) {
    ParamsTerm t;
    t.letter = toUpperAscii(letter);
    t.alternative = isLowerLetter(letter);
    t.range = range;
    return t;
}

// A term with a plain number, compared as text: "C3/".
ParamsTerm exactTerm(char letter, std::string number) {
    ParamsTerm t = term(letter, {RangeKind::Exact, std::stoi(number), 0});
    t.exact = true;
    t.exactText = number + "/";
    return t;
}

TEST(MatchParamsTerm, FollowsTheTermForms) {
    struct Case {
        ParamsTerm term;
        std::string_view params;
        bool holds;
    };
    const Case cases[] = {
        {term('C'), "C3/R2/", true},
        {term('C'), "R2/", false},
        {term('C'), "C0/R2/", false},
        {exactTerm('C', "3"), "C-3/R2/", true},
        {exactTerm('C', "3"), "C13/", false},
        {exactTerm('c', "3"), "C3/", true},
        {term('C', {RangeKind::FromTo, 2, 222}), "C150/", true},
        {term('C', {RangeKind::FromTo, 2, 222}), "C300/", false},
        {term('C', {RangeKind::More, 2, 0}), "C-3/", true},
        {term('c', {RangeKind::More, 2, 0}), "C-3/", true},
        {term('C', {RangeKind::More, 3, 0}), "C3/", false},
        {term('R', {RangeKind::Less, 3, 0}), "C9/R2/", true},
        {term('R', {RangeKind::Unequal, 2, 0}), "R2/", false},
        {term('R', {RangeKind::Unequal, 2, 0}), "R5x/", true},
        {term('K', {RangeKind::FromTo, 1, 3}), "K4/", false},
        {term('K', {RangeKind::FromTo, 1, 3}), "C1/K3/", true},
        {term('X', {RangeKind::More, 0, 0}), "C5/", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.term.letter) + " on " + std::string(c.params));
        EXPECT_EQ(matchParamsTerm(c.term, c.params), c.holds);
    }
}

TEST(ParamsFilter, ReadsTermsLeftToRight) {
    const std::string farK = "bm #3; 00:40 @ C1/" + std::string(270, 'R') + "/K5;";
    const ParamsSetting off{};
    const ParamsSetting present{ParamsMode::Present, {}};
    const auto terms = [](std::vector<ParamsTerm> list) {
        return ParamsSetting{ParamsMode::Terms, std::move(list)};
    };
    struct Case {
        ParamsSetting setting;
        std::string opcodes;
        bool keep;
    };
    const Case cases[] = {
        {off, "bm #3;", true},
        {present, "bm #3; 00:40 @ C1/;", true},
        {present, "bm #3; 00:40;", false},
        {present, "bm #3; x@y;", false},
        {terms({term('C'), term('K')}), "bm #3; 00:40 @ C2/K1;", true},
        {terms({term('C'), term('K')}), "bm #3; 00:40 @ C2;", false},
        {terms({term('c'), term('k')}), "bm #3; 00:40 @ C2/K1;", true},
        {terms({term('c'), term('k')}), "bm #3; 00:40 @ C2;", true},
        {terms({term('c'), term('k')}), "bm #3; 00:40 @ R2;", false},
        {terms({term('K'), term('c')}), "bm #3; 00:40 @ C2;", false},
        {terms({term('c')}), "bm #3; 00:40 @ C2;", true},
        {terms({term('c')}), "bm #3; 00:40 @ R2;", false},
        {terms({term('C')}), "bm #3; 00:40 @ C0/R2;", false},
        {terms({term('c'), term('K')}), "bm #3; 00:40 @ C2;", true},
        {terms({term('c'), term('K')}), "bm #3; 00:40 @ K1;", true},
        {terms({term('c'), term('K')}), "bm #3; 00:40 @ R1;", false},
        {terms({term('C'), term('k')}), "bm #3; 00:40 @ C2;", false},
        {terms({term('C'), term('k')}), "bm #3; 00:40 @ C2/K1;", true},
        {terms({exactTerm('C', "3")}), "bm #3; 00:40 @ C-3/R2;", true},
        {terms({term('C', {RangeKind::More, 2, 0}), term('R', {RangeKind::Less, 3, 0})}),
         "bm #3; 00:40 @ C3/R2;", true},
        {terms({term('C', {RangeKind::More, 2, 0}), term('R', {RangeKind::Less, 3, 0})}),
         "bm #3; 00:40 @ C3/R4;", false},
        {terms({term('K')}), "bm #3; 00:40 @ C2; K1;", false},
        {terms({term('K')}), farK, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        SelectionSettings s;
        s.params = c.setting;
        std::string scratch;
        EXPECT_EQ(passesParamsFilter(c.opcodes, s, scratch), c.keep);
    }
}

}  // namespace
}  // namespace vestrel
