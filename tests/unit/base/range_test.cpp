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

}  // namespace
}  // namespace vestrel
