#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../database/database_files.h"
#include "base/line_reader.h"

namespace vestrel {
namespace {

// The lines of a file opened with its byte-order mark skipped.
std::vector<std::string> linesAfterMark(const std::string& bytes) {
    testing::ScratchDir dir;
    EXPECT_TRUE(dir.ok());
    testing::writeFile("in.epd", bytes);
    LineReader reader;
    std::vector<std::string> lines;
    if (!openLineReader(reader, "in.epd")) return lines;
    skipByteOrderMark(reader);
    std::string_view line;
    while (nextLine(reader, line)) lines.emplace_back(line);
    closeLineReader(reader);
    return lines;
}

TEST(SkipByteOrderMark, DropsOnlyTheMarkAtTheVeryStart) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::string m = "\xEF\xBB\xBF";
    const Case cases[] = {
        {m, {}},
        {m + "\r\nx", {"", "x"}},
        {m + m + "a", {m + "a"}},  // a second mark is text
        {"a\n" + m + "b\n", {"a", m + "b"}},
        {"\xEF\xBB", {"\xEF\xBB"}},  // part of a mark is text
        {m + "\x1A" + "a\n", {}},    // a Ctrl-Z right after it ends the file
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(linesAfterMark(c.bytes), c.lines);
    }
}

}  // namespace
}  // namespace vestrel
