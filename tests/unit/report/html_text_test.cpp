#include "report/html_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

std::string escaped(std::string_view bytes) {
    std::string out;
    appendEscaped(out, bytes);
    return out;
}

TEST(AppendEscaped, NothingFromARecordOpensATagOrEndsAnAttribute) {
    struct Case {
        std::string_view input, expected;
    };
    const Case cases[] = {
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"\"><img src=x onerror=alert(2)>", "&quot;&gt;&lt;img src=x onerror=alert(2)&gt;"},
        {"O'Brien & sons", "O&#39;Brien &amp; sons"},
        {"&amp; stays text", "&amp;amp; stays text"},
        {"</title><style>*{}</style>", "&lt;/title&gt;&lt;style&gt;*{}&lt;/style&gt;"},
        {"kbK5/pp6 w - - bm #2;", "kbK5/pp6 w - - bm #2;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(escaped(c.input), c.expected);
    }
}

TEST(AppendEscaped, ReadsBytesThatAreNoUtf8AsWindows1252) {
    struct Case {
        std::string_view input, expected;
    };
    const Case cases[] = {
        {"M\xC3\xBCller", "M\xC3\xBCller"},  // UTF-8 passes
        {"\xE2\x99\x94 \xF0\x9F\x98\x80", "\xE2\x99\x94 \xF0\x9F\x98\x80"},
        {"M\xFCller", "M&#252;ller"},                          // Latin-1 u umlaut
        {"\x80", "&#8364;"},                                   // the euro sign of 1252
        {"\x81\x9D", "&#65533;&#65533;"},                      // unassigned in 1252
        {"\xF1", "&#241;"},                                    // a lone lead byte
        {"\xC3", "&#195;"},                                    // cut short
        {"\xC0\xAF", "&#192;&#175;"},                          // overlong "/"
        {"\xED\xA0\x80", "&#237;&#160;&#8364;"},               // a surrogate
        {"\xF4\x90\x80\x80", "&#244;&#65533;&#8364;&#8364;"},  // beyond U+10FFFF
        {"a\x07"
         "b\x7F\tc",
         "a&#65533;b&#65533;\tc"},  // control characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(escaped(c.input), c.expected);
    }
}

TEST(AppendEscapedCut, CutsLongTextsBetweenCharacters) {
    std::string out;
    appendEscapedCut(out,
                     "ab\xC3\xBC"
                     "cd",
                     3);  // the cut would fall inside the u umlaut
    EXPECT_EQ(out, "ab&#8230;");
    out.clear();
    appendEscapedCut(out, "<ab>", 4);
    EXPECT_EQ(out, "&lt;ab&gt;");
}

}  // namespace
}  // namespace vestrel
