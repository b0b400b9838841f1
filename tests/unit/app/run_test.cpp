// The whole run flow in this process, with faults planted in the platform's file calls.
#include "app/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../database/database_files.h"
#include "base/platform.h"

namespace vestrel {
namespace {

using testing::readFile;
using testing::writeFile;

struct Ran {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs the program on the arguments with standard output in a file.
Ran runCaptured(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vestrel");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    Ran ran;
    const int out = createFile("stdout.txt");
    const int saved = duplicateFile(kStandardOutput);
    (void)redirectFile(out, kStandardOutput);
    ran.err = testing::captureStderr(
        [&] { ran.status = runProgram(static_cast<int>(arguments.size()), argv.data()); });
    (void)clearFileFaults();
    (void)redirectFile(saved, kStandardOutput);
    (void)closeFile(saved);
    (void)closeFile(out);
    ran.out = readFile("stdout.txt").value_or("");
    return ran;
}

// An input that cannot be read to its end is an error, never a run that reports a part of it
// as the whole; a database update it feeds is not made.
TEST(RunProgram, ReportsAnInputThatFailsToRead) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string database = "k7/8/8/8/8/8/8/1Q5K w - - bm #3;\r\n";
    writeFile("in.epd",
              "k7/8/1K6/8/8/8/8/7Q w - - bm #2;\r\n4k3/8/4K3/8/8/8/8/R7 w - - bm #3;\r\n");
    writeFile("Vandrelo.epd", database);
    struct Case {
        std::vector<std::string> arguments;
        int failingRead;  // a small file takes one read, and one more finds its end
    };
    const Case cases[] = {{{"in.epd"}, 2}, {{"in.epd", "/u+"}, 4}};  // /u+ reads the database first
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        failFileCalls(FileCall::Read, c.failingRead, 0);
        const Ran ran = runCaptured(c.arguments);
        EXPECT_EQ(ran.status, 1);
        EXPECT_EQ(ran.err, "\nERROR: File \"in.epd\" could not be read !\a\r\n");
        EXPECT_EQ(readFile("Vandrelo.epd"), database);
        EXPECT_FALSE(testing::fileExists("Vandrelo.bak"));
    }
}

}  // namespace
}  // namespace vestrel
