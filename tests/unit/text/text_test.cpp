#include "text/text.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

TEST(ReplaceAll, ScansLeftToRightWithoutRescanning) {
    struct Case {
        std::string_view text, from, to, expected;
    };
    const Case cases[] = {
        {"aab", "ab", "ba", "aba"},      {"abb", "ab", "ba", "bab"},
        {"abab", "ab", "xyz", "xyzxyz"}, {"xaxbx", "x", "", "ab"},
        {"a  b", "  ", " ", "a b"},      {"a   b", "  ", " ", "a  b"},
        {"a    b", "  ", " ", "a  b"},   {"xyz", "", "q", "xyz"},
        {"aaaa", "aa", "a", "aa"},       {"bm #2; dm 2;", "dm", "ce", "bm #2; ce 2;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text(c.text), scratch;
        replaceAll(text, c.from, c.to, scratch);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(TrimText, RemovesEveryByteBelow33AtBothEnds) {
    EXPECT_EQ(trimText(" \t\x01 a b \r\x1f"), "a b");
    EXPECT_EQ(trimText("   "), "");
    EXPECT_EQ(trimText("\xF1x\xF1"), "\xF1x\xF1");  // high bytes are not blanks
}

TEST(LetterCase, TouchesAsciiLettersOnly) {
    EXPECT_EQ(upperCase("Mate in 3 \xE4"), "MATE IN 3 \xE4");
    EXPECT_TRUE(equalsIgnoreCase(".epd", ".EPD"));
    EXPECT_FALSE(equalsIgnoreCase(".epd", ".EPDX"));
}

TEST(Parts, TakeWholeTextWhenShorter) {
    EXPECT_EQ(rightPart("abc", 5), "abc");
    EXPECT_EQ(rightPart("pos.epd", 4), ".epd");
    EXPECT_EQ(maxOf(-1, 0), 0);
    EXPECT_EQ(signOf(-7), -1);
    EXPECT_EQ(signOf(0), 0);
    EXPECT_EQ(signOf(9), 1);
}

TEST(CutField, TakesTheFieldAndItsSpace) {
    struct Case {
        std::string_view text, field, separator, rest;
    };
    const Case cases[] = {
        {"w KQ -", "w", " ", "KQ -"}, {" KQ -", "", " ", "KQ -"},
        {"-", "-", "", ""},           {"", "", "", ""},
        {"a  b", "a", " ", " b"},
    };
    for (const Case& c : cases) {
        std::string_view rest = c.text;
        std::string_view separator = "unset";
        EXPECT_EQ(cutField(rest, &separator), c.field) << c.text;
        EXPECT_EQ(separator, c.separator) << c.text;
        EXPECT_EQ(rest, c.rest) << c.text;
    }
}

TEST(ParseOperandNumber, AcceptsSignedDecimalsThatFit) {
    struct Case {
        std::string_view text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"5", 5},
        {"+5", 5},
        {"-5", -5},
        {"007", 7},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"+-5", std::nullopt},
        {" 5", std::nullopt},
        {"5x", std::nullopt},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseOperandNumber(c.text), c.value);
    }
}

TEST(ParseWholeInteger, SaturatesAndRejectsTrailingBytes) {
    EXPECT_EQ(parseWholeInteger("  -12"), -12);
    EXPECT_EQ(parseWholeInteger("3 "), std::nullopt);
    EXPECT_EQ(parseWholeInteger(""), std::nullopt);
    EXPECT_EQ(parseWholeInteger("-"), std::nullopt);
    EXPECT_EQ(parseWholeInteger("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(parseWholeInteger("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(parseLeadingInteger(" -3x"), -3);
    EXPECT_EQ(parseLeadingInteger("x3"), 0);
    EXPECT_EQ(parseLeadingInteger("123456789012"), INT32_MAX);
}

}  // namespace
}  // namespace vestrel
