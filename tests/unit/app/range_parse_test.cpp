#include "app/range_parse.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

TEST(CheckRangeSyntax, AcceptsTheFiveForms) {
    const std::string_view good[] = {"5", "+5", "-5", "~5", "3-7", "3-", "~-5", "0"};
    const std::string_view bad[] = {"", "+", "~", "+-5", "~3-5", "3-x", "x", "-", "3--", "5 "};
    for (std::string_view s : good) EXPECT_TRUE(checkRangeSyntax(s)) << s;
    for (std::string_view s : bad) EXPECT_FALSE(checkRangeSyntax(s)) << s;
}

TEST(ParseParamsTerm, ReadsLetterCaseAndRange) {
    struct Case {
        std::string_view term;
        char letter;
        bool alternative, exact;
        std::string_view exactText;
        RangeKind kind;
        int x, z;
    };
    const Case cases[] = {
        {"C/", 'C', false, false, "", RangeKind::Unequal, 0, 0},
        {"k", 'K', true, false, "", RangeKind::Unequal, 0, 0},
        {"p3/", 'P', true, true, "3/", RangeKind::Exact, 3, 0},
        {"X03/", 'X', false, true, "03/", RangeKind::Exact, 3, 0},
        {"R2-/", 'R', false, false, "", RangeKind::FromTo, 2, 222},
        {"R2-5/", 'R', false, false, "", RangeKind::FromTo, 2, 5},
        {"c+2/", 'C', true, false, "", RangeKind::More, 2, 0},
        {"C-2/", 'C', false, false, "", RangeKind::Less, 2, 0},
        {"C~-2/", 'C', false, false, "", RangeKind::Unequal, -2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term);
        ParamsTerm term;
        ASSERT_TRUE(parseParamsTerm(c.term, term));
        EXPECT_EQ(term.letter, c.letter);
        EXPECT_EQ(term.alternative, c.alternative);
        EXPECT_EQ(term.exact, c.exact);
        EXPECT_EQ(term.exactText, c.exactText);
        EXPECT_EQ(term.range.kind, c.kind);
        EXPECT_EQ(term.range.x, c.x);
        EXPECT_EQ(term.range.z, c.z);
    }
    for (std::string_view bad : {"/", "Z3/", "C+x/", "C3-x/", "@"}) {
        ParamsTerm term;
        EXPECT_FALSE(parseParamsTerm(bad, term)) << bad;
    }
}

}  // namespace
}  // namespace vestrel
