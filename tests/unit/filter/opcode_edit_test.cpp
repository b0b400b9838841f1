#include "filter/opcode_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "../parsed_settings.h"

namespace vestrel {
namespace {

constexpr std::string_view kFields = "k7/8/8/8/8/8/8/1Q5K w - -";

// Settings as option parsing leaves them for "/a" + append and "/d" + remove; an append
// list of ";" is the same as no /a.
RunSettings editSettings(std::string_view append, std::string_view remove) {
    return parsedSettings({"/a" + std::string(append), "/d" + std::string(remove)});
}

TEST(BuildOutputLine, AppliesDeletionAndSelection) {
    struct Case {
        std::string_view opcodes, append, remove, line;
    };
    const Case cases[] = {
        // The opcode text `bm #2; id "x";` under the usual /a and /d operands.
        {"bm #2; id \"x\";", ";", "", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";"},
        {"bm #2; id \"x\";", ";", "id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {"bm #2; id \"x\";", ";", "bm id", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"bm #2; id \"x\";", ";", "bm,id", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"bm #2; id \"x\";", ";", "bm", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";"},
        {"bm #2; id \"x\";", "id,bm", "", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\"; bm #2;"},
        {"bm #2; id \"x\";", "dm", "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"bm #2; id \"x\";", "", "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"bm #2; id \"x\";", "id", "id", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";"},
        {"bm #2; id \"x\";", "", "id", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // A missing final ";" is supplied only for the default output.
        {"bm #2", ";", "", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {"bm #2; id x", "id", "", "k7/8/8/8/8/8/8/1Q5K w - - id x"},
        {"bm #2; id x", ";", "bm", "k7/8/8/8/8/8/8/1Q5K w - - id x;"},
        {"", ";", "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"", "bm", "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"", ";", "bm", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // Repeated names take repeated units.
        {"c0 \"a\"; c0 \"b\";", "c0,c0", "", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"a\"; c0 \"b\";"},
        {"c0 \"a\"; c0 \"b\";", "c0", "", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"a\";"},
        {"c0 \"a\"; c0 \"b\";", ";", "c0", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"b\";"},
        {"c0 \"a\"; c0 \"b\";", ";", "c0 c0", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // Empty items and names not starting with a letter or "@" are never found.
        {"bm #2; id \"x\";", ";", "bm,,id", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {"bm #2; 9x 1;", ";", "9x", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; 9x 1;"},
        {"bm #2; 9x 1;", "9x,bm", "", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {"bm #3; 00:40 @ C1/;", "@", "", "k7/8/8/8/8/8/8/1Q5K w - - @ C1/;"},
        {"bm #3; 00:40 @ C1/;", ";", "@", "k7/8/8/8/8/8/8/1Q5K w - - bm #3; 00:40;"},
        // A name needs a space after it, and the search does not know about quotes.
        {"bm #2; noop;", ";", "noop", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; noop;"},
        {"id \"a bm b\"; bm #2;", ";", "bm", "k7/8/8/8/8/8/8/1Q5K w - - id \"a bm #2;"},
        {"bm #2; ID \"x\";", ";", "id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; ID \"x\";"},
        {"xbm #2; bm #3;", "bm", "", "k7/8/8/8/8/8/8/1Q5K w - - bm #3;"},
        // Deletion trims the opcode text around what is left.
        {"  bm #2; id \"x\";  ", ";", "id", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.opcodes) + " /a " + std::string(c.append) + " /d " +
                     std::string(c.remove));
        const RunSettings s = editSettings(c.append, c.remove);
        std::string opcodes(c.opcodes);
        std::string line = "stale";
        std::string scratch = "stale";
        buildOutputLine(kFields, opcodes, s, line, scratch);
        EXPECT_EQ(line, c.line);
    }
}

TEST(BuildOutputLine, DeletionRewritesTheOpcodeText) {
    const RunSettings s = editSettings(";", "id");
    std::string opcodes = "bm #2; id \"x\"; c0 \"y\";";
    std::string line, scratch;
    buildOutputLine(kFields, opcodes, s, line, scratch);
    EXPECT_EQ(opcodes, "bm #2; c0 \"y\";");
    EXPECT_EQ(line, "k7/8/8/8/8/8/8/1Q5K w - - bm #2; c0 \"y\";");
}

}  // namespace
}  // namespace vestrel
