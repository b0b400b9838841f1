#include "input/mate_info.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

struct MateCase {
    std::string_view in, withMateInfo;  // the text after /#
    int length;
};

const MateCase kMateCases[] = {
    {"bm #3;", "bm #3; dm 3; ce 32762;", 3},
    {"bm #3", "bm #3; dm 3; ce 32762;", 3},
    {"dm 3;", "bm #3; dm 3; ce 32762;", 3},
    {"ce 32762;", "bm #3; ce 32762; dm 3;", 3},
    {"ce 32761;", "bm #3; ce 32761; dm 3;", 3},
    {"ce 32001;", "bm #383; ce 32001; dm 383;", 383},
    {"bm #-2;", "bm #-2; ce -32763;", 2},
    {"ce -32763;", "bm #-2; ce -32763;", 2},
    {"ce -32766;", "bm #-1; ce -32766;", 1},
    {"bm #3; ce 100;", "bm #3; ce 100; dm 3;", 3},
    {"bm #3; dm 3; ce 32762;", "bm #3; dm 3; ce 32762;", 3},
    {"bm Qe4; ce 32762;", "bm #3; bm Qe4; ce 32762; dm 3;", 3},
    {"id \"x\"; dm 03;", "bm #03; id \"x\"; dm 03; ce 32762;", 3},
    {"bm #383;", "bm #383; dm 383; ce 32002;", 383},
    {"bm # 1; dm 2;", "bm # 1; dm 2; ce 32766;", 1},
    {"bm h#2;", "bm h#2;", 0},
    {"bm #0;", "bm #0;", 0},
    {"bm #400;", "bm #400;", 0},
    {"bm #384;", "bm #384;", 0},
    {"bm #99999999999;", "bm #99999999999;", 0},
    {"ce 32000;", "ce 32000;", 0},
    {"ce 32767;", "ce 32767;", 0},
    {"bm #3 ;", "bm #3 ;", 0},
    {"xbm #3; xdm 3; xce 32762", "xbm #3; xdm 3; xce 32762;", 0},
    {"", "", 0},
};

TEST(ConvertMateInfo, AddsMissingFormsWithMateInfoSet) {
    const MateInfoSettings settings{.addMissingForms = true};
    for (const MateCase& c : kMateCases) {
        std::string text(c.in);
        EXPECT_EQ(convertMateInfo(text, settings), c.length) << c.in;
        EXPECT_EQ(text, c.withMateInfo) << c.in;
    }
}

TEST(ConvertMateInfo, OnlyMeasuresWithoutMateInfoSet) {
    const MateInfoSettings settings{.addMissingForms = false};
    for (const MateCase& c : kMateCases) {
        std::string text(c.in);
        std::string ended(c.in);
        if (!ended.empty() && ended.back() != ';') ended.push_back(';');
        EXPECT_EQ(convertMateInfo(text, settings), c.length) << c.in;
        EXPECT_EQ(text, ended) << c.in;
    }
}

}  // namespace
}  // namespace vestrel
