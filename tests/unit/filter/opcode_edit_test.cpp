#include "filter/opcode_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vestrel {
namespace {

constexpr std::string_view kFields = "k7/8/8/8/8/8/8/1Q5K w - -";

// /d with these names and no /a.
OutputLineSettings deleting(std::vector<std::string> names) {
    return {OpcodeChoice::All, {}, std::move(names)};
}

// /a with these names.
OutputLineSettings selecting(std::vector<std::string> names) {
    return {OpcodeChoice::Listed, std::move(names), {}};
}

TEST(BuildOutputLine, AppliesDeletionAndSelection) {
    const OutputLineSettings plain{};  // neither /a nor /d
    const OutputLineSettings none{OpcodeChoice::None, {}, {}};
    struct Case {
        OutputLineSettings settings;
        std::string_view opcodes, line;
    };
    const Case cases[] = {
        // The opcode text `bm #2; id "x";` under the usual /a and /d operands.
        {plain, "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; id \"x\";"},
        {deleting({"id"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {deleting({"bm", "id"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {deleting({"bm"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";"},
        {selecting({"id", "bm"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - - id \"x\"; bm #2;"},
        {selecting({"dm"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {none, "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // /d applies only to the default output: a given /a replaces it.
        {{OpcodeChoice::Listed, {"id"}, {"id"}},
         "bm #2; id \"x\";",
         "k7/8/8/8/8/8/8/1Q5K w - - id \"x\";"},
        {{OpcodeChoice::None, {}, {"id"}}, "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // A missing final ";" is supplied only for the default output.
        {plain, "bm #2", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {selecting({"id"}), "bm #2; id x", "k7/8/8/8/8/8/8/1Q5K w - - id x"},
        {deleting({"bm"}), "bm #2; id x", "k7/8/8/8/8/8/8/1Q5K w - - id x;"},
        {plain, "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {selecting({"bm"}), "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {deleting({"bm"}), "", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // Repeated names take repeated units.
        {selecting({"c0", "c0"}), "c0 \"a\"; c0 \"b\";",
         "k7/8/8/8/8/8/8/1Q5K w - - c0 \"a\"; c0 \"b\";"},
        {selecting({"c0"}), "c0 \"a\"; c0 \"b\";", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"a\";"},
        {deleting({"c0"}), "c0 \"a\"; c0 \"b\";", "k7/8/8/8/8/8/8/1Q5K w - - c0 \"b\";"},
        {deleting({"c0", "c0"}), "c0 \"a\"; c0 \"b\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        // Empty items and names not starting with a letter or "@" are never found.
        {deleting({"bm", "", "id"}), "bm #2; id \"x\";", "k7/8/8/8/8/8/8/1Q5K w - -"},
        {deleting({"9x"}), "bm #2; 9x 1;", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; 9x 1;"},
        {selecting({"9x", "bm"}), "bm #2; 9x 1;", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
        {selecting({"@"}), "bm #3; 00:40 @ C1/;", "k7/8/8/8/8/8/8/1Q5K w - - @ C1/;"},
        {deleting({"@"}), "bm #3; 00:40 @ C1/;", "k7/8/8/8/8/8/8/1Q5K w - - bm #3; 00:40;"},
        // A name needs a space after it, and the search does not know about quotes.
        {deleting({"noop"}), "bm #2; noop;", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; noop;"},
        {deleting({"bm"}), "id \"a bm b\"; bm #2;", "k7/8/8/8/8/8/8/1Q5K w - - id \"a bm #2;"},
        {deleting({"id"}), "bm #2; ID \"x\";", "k7/8/8/8/8/8/8/1Q5K w - - bm #2; ID \"x\";"},
        {selecting({"bm"}), "xbm #2; bm #3;", "k7/8/8/8/8/8/8/1Q5K w - - bm #3;"},
        // Deletion trims the opcode text around what is left.
        {deleting({"id"}), "  bm #2; id \"x\";  ", "k7/8/8/8/8/8/8/1Q5K w - - bm #2;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.opcodes) + " /a " +
                     ::testing::PrintToString(c.settings.appendNames) + " /d " +
                     ::testing::PrintToString(c.settings.deleteNames));
        std::string opcodes(c.opcodes);
        std::string line = "stale";
        std::string scratch = "stale";
        buildOutputLine(kFields, opcodes, c.settings, line, scratch);
        EXPECT_EQ(line, c.line);
    }
}

TEST(BuildOutputLine, DeletionRewritesTheOpcodeText) {
    const OutputLineSettings s = deleting({"id"});
    std::string opcodes = "bm #2; id \"x\"; c0 \"y\";";
    std::string line, scratch;
    buildOutputLine(kFields, opcodes, s, line, scratch);
    EXPECT_EQ(opcodes, "bm #2; c0 \"y\";");
    EXPECT_EQ(line, "k7/8/8/8/8/8/8/1Q5K w - - bm #2; c0 \"y\";");
}

}  // namespace
}  // namespace vestrel
