#include "solver/stipulation.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vestrel {
namespace {

TEST(ReadStipulation, ReadsTheFirstBmOpcode) {
    struct Case {
        std::string_view opcodes;
        StipulationRead read;
        std::string_view text;  // stipulationText of what was read
    };
    const Case cases[] = {
        {"bm #2;", StipulationRead::Ok, "#2"},
        {"bm h#3; id \"x\";", StipulationRead::Ok, "h#3"},
        {"id \"x\"; bm s#1;", StipulationRead::Ok, "s#1"},
        {"bm =2;", StipulationRead::Ok, "=2"},
        {"bm h=1", StipulationRead::Ok, "h=1"},
        {"bm s=3 ;", StipulationRead::Ok, "s=3"},
        {"bm #3; bm #1;", StipulationRead::Ok, "#3"},
        {"bm #12;", StipulationRead::TooLong, ""},
        {"bm #99999999999999999999;", StipulationRead::TooLong, ""},
        {"bm r#2;", StipulationRead::Unknown, ""},
        {"bm H#2;", StipulationRead::Unknown, ""},
        {"bm #;", StipulationRead::Unknown, ""},
        {"bm #0;", StipulationRead::Unknown, ""},
        {"bm #-2;", StipulationRead::Unknown, ""},
        {"bm #2.5;", StipulationRead::Unknown, ""},
        {"bm Qe4;", StipulationRead::Missing, ""},
        {"bm Qxf7#;", StipulationRead::Missing, ""},
        {"dm 2; ce 32764;", StipulationRead::Missing, ""},
        {"xbm #2;", StipulationRead::Missing, ""},
        {"", StipulationRead::Missing, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        Stipulation s;
        EXPECT_EQ(readStipulation(c.opcodes, 4, s), c.read);
        if (c.read == StipulationRead::Ok) {
            EXPECT_EQ(stipulationText(s), c.text);
        }
    }
}

}  // namespace
}  // namespace vestrel
