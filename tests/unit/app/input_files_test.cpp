#include "app/input_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../database/database_files.h"
#include "app/options.h"

namespace vestrel {
namespace {

using testing::ScratchDir;
using testing::writeFile;

RunSettings settingsFor(const std::vector<std::string_view>& arguments) {
    RunSettings settings;
    EXPECT_EQ(parseArguments(arguments, settings).verdict, OptionVerdict::Ok);
    return settings;
}

// Every file is checked, in order, before any is read; the first one at fault is named.
TEST(CheckInputFiles, NamesTheFirstFileAtFault) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("a.epd", "k7/8/1K6/8/8/8/8/7Q w - - bm #2;\r\n");
    writeFile("b.PGN", "");
    struct Case {
        std::vector<std::string_view> arguments;
        FileStatus verdict;
        std::string failed;
    };
    const Case cases[] = {
        {{"a.epd", "b.PGN", "-"}, FileStatus::Ok, ""},
        {{"a.epd", "b.txt", "missing.epd"}, FileStatus::WrongType, "b.txt"},
        {{"a.epd", "missing.epd", "b.txt"}, FileStatus::InputNotFound, "missing.epd"},
        {{"missing.fen", "a.epd"}, FileStatus::InputNotFound, "missing.fen"},
        {{"a.epd", "a.epd", "c.pgn"}, FileStatus::InputNotFound, "c.pgn"},
        {{}, FileStatus::InputNotFound, "Vandrelo.epd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failed);
        InputStream input;
        std::string failed;
        EXPECT_EQ(checkInputFiles(settingsFor(c.arguments), input, failed), c.verdict);
        EXPECT_EQ(failed, c.failed);
        EXPECT_EQ(input.reader.fd != -1, c.verdict == FileStatus::Ok);  // the first stays open
    }
}

// The lines of the stream, each file read as if it stood alone, and the mode each record was
// read in.
std::vector<std::string> streamLines(const std::vector<std::string_view>& arguments) {
    InputStream input;
    std::string failed;
    EXPECT_EQ(checkInputFiles(settingsFor(arguments), input, failed), FileStatus::Ok);
    ReaderState state;
    state.headerMateInfo = "left over";
    beginInput(input, state);
    std::vector<std::string> lines;
    std::string_view line;
    do {
        while (nextInputLine(input, state, line)) {
            lines.push_back((state.input == InputKind::Pgn ? "pgn " : "epd ") + std::string(line) +
                            " |" + state.headerMateInfo);
            state.headerMateInfo = "left over";
        }
    } while (openNextInput(input, state));
    EXPECT_EQ(input.failed, "");
    EXPECT_FALSE(input.lineTooLong);
    return lines;
}

TEST(NextInputLine, ReadsEachFileAsIfAlone) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("a.epd",
              "\xEF\xBB\xBF"
              "a1\r\na2\x1A"
              "after Ctrl-Z\r\n");
    writeFile("b.pgn", "\xEF\xBB\xBF[Event]");
    writeFile("c.fen", "c1\n");
    const std::vector<std::string> expected = {"epd a1 |", "epd a2 |left over", "pgn [Event] |",
                                               "epd c1 |"};
    EXPECT_EQ(streamLines({"a.epd", "b.pgn", "c.fen"}), expected);
}

TEST(NextInputLine, ReportsAFileGoneBeforeItsTurn) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("a.epd", "a1\n");
    writeFile("b.epd", "b1\n");
    InputStream input;
    std::string failed;
    ASSERT_EQ(checkInputFiles(settingsFor({"a.epd", "b.epd"}), input, failed), FileStatus::Ok);
    ASSERT_TRUE(std::filesystem::remove("b.epd"));
    ReaderState state;
    beginInput(input, state);
    std::string_view line;
    ASSERT_TRUE(nextInputLine(input, state, line));
    EXPECT_EQ(line, "a1");
    EXPECT_FALSE(nextInputLine(input, state, line));
    EXPECT_FALSE(openNextInput(input, state));
    EXPECT_EQ(input.failed, "b.epd");
}

}  // namespace
}  // namespace vestrel
