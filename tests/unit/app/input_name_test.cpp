#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../database/database_files.h"
#include "app/options.h"

namespace vestrel {
namespace {

TEST(ParseArguments, TakesAbsoluteNamesOfExistingInputFiles) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    namespace fs = std::filesystem;
    const std::string here = fs::current_path().string();
    if (here.empty() || here[0] != '/') GTEST_SKIP() << "absolute names begin with / on POSIX";
    testing::writeFile("a.fen", "");
    testing::writeFile("b.PGN", "");
    testing::writeFile("f.txt", "");
    fs::create_directory("c.pgn");
    fs::create_symlink("a.fen", "d.epd");
    fs::create_symlink("missing.epd", "e.epd");
    struct Case {
        std::string name;
        bool input;
    };
    const Case cases[] = {
        {"a.fen", true},         // a file
        {"b.PGN", true},         // the ending in any case
        {"d.epd", true},         // a link to a file
        {"c.pgn", false},        // a folder
        {"e.epd", false},        // a link to nothing
        {"f.txt", false},        // another ending
        {"missing.epd", false},  // nothing at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string argument = here + "/" + c.name;
        RunSettings settings;
        parseArguments({argument}, settings);
        EXPECT_EQ(settings.inputFiles,
                  c.input ? std::vector<std::string>{argument} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace vestrel
