#include "app/argument_kinds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../database/database_files.h"
#include "app/options.h"

namespace vestrel {
namespace {

// A path with an input ending is a file name whether or not the file is there; so is an
// existing file named absolutely. A folder or a link to nothing then fails to open as input.
TEST(ParseArguments, TakesAbsoluteNamesOfInputFiles) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    namespace fs = std::filesystem;
    const std::string here = fs::current_path().string();
    if (here.empty() || here[0] != '/') GTEST_SKIP() << "absolute names begin with / on POSIX";
    testing::writeFile("a.fen", "");
    testing::writeFile("f.txt", "");
    fs::create_directory("c.pgn");
    fs::create_symlink("missing.epd", "e.epd");
    struct Case {
        std::string name;
        bool input;
    };
    const Case cases[] = {
        {"a.fen", true},        // a file
        {"c.pgn", true},        // a folder: "not found" later, never an option
        {"e.epd", true},        // a link to nothing
        {"missing.epd", true},  // nothing at all
        {"f.txt", false},       // another ending: an option, here /t with a bad operand
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

TEST(LooksLikeFilePath, NeedsASecondSlashAndAnInputEnding) {
    struct Case {
        std::string_view argument;
        bool path;
    };
    const Case cases[] = {
        {"/srv/chess/new.epd", true},
        {"/dev/vestrel-no-such-file.epd", true},
        {"/a/B.PGN", true},
        {"/x/y.Fen", true},
        {"/u/srv/db.epd", true},  // a folder named u, not /u with a stem
        {"/sa/b.pgn", true},      // a skip list with a "/" looks like a path
        {"/new.epd", false},      // no folder: an option unless the file is there
        {"/srv/chess/new.txt", false},
        {"/srv/chess/", false},
        {"/u+/srv/db.epd", false},  // a database named with its mode stays an option
        {"/u=data/db.epd", false},
        {"/u-../db.EPD", false},
        {"/", false},
        {"x/y.epd", false},  // no leading "/": a file name anyway
    };
    for (const Case& c : cases) {
        EXPECT_EQ(looksLikeFilePath(c.argument), c.path) << c.argument;
    }
}

TEST(AsksForHelp, KnowsTheHabitsOfBothPlatformsInAnyCase) {
    for (std::string_view word : {"/?", "-h", "-H", "-?", "--help", "--HELP", "--Help"}) {
        EXPECT_TRUE(asksForHelp(word)) << word;
    }
    for (std::string_view word : {"/h", "/H", "-help", "--hel", "/??", "h", "?", "--version"}) {
        EXPECT_FALSE(asksForHelp(word)) << word;
    }
}

// The usage text's sign stands for "+" or "-" and is no operand itself: typed as the console
// byte 0xF1 or in UTF-8 from the help text, it is refused in the same places.
TEST(ParseArguments, TakesThePlusMinusSignInNoEncoding) {
    for (std::string_view sign : {"\xF1", "\xC2\xB1"}) {
        for (std::string_view option : {"/m", "/p", "/c", "/h", "/t", "/@C"}) {
            std::string argument(option);
            argument.append(sign);
            argument.append(option == "/h" ? "Event" : option == "/t" ? "01:00" : "1");
            RunSettings settings;
            const std::vector<std::string_view> arguments = {"in.epd", argument};
            EXPECT_EQ(parseArguments(arguments, settings).verdict, OptionVerdict::Illegal)
                << argument;
        }
    }
}

TEST(InputForDatabaseMode, NamesTheFormThatWasMeant) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"mydb.epd", "/u-"},
         "ERROR: /u- reads no input file, but \"mydb.epd\" is given: to sort it write /u-mydb !"},
        {{"mydb.epd", "/u:2"},
         "ERROR: /u:2 reads no input file, but \"mydb.epd\" is given: to update its times write "
         "/u=mydb /u:2 !"},
        {{"/u:0.5", "data/My DB.EPD"},
         "ERROR: /u:0.5 reads no input file, but \"data/My DB.EPD\" is given: to update its "
         "times write \"/u=data/My DB\" /u:0.5 !"},
        {{"games.pgn", "/u-other"}, "ERROR: /u- reads no input file, but \"games.pgn\" is given !"},
        // No input file, or a mode that reads one: nothing to say.
        {{"/u-mydb"}, ""},
        {{"/u=mydb", "/u:2"}, ""},
        {{"mydb.epd", "/u+"}, ""},
        {{"mydb.epd", "/u"}, ""},
        {{"mydb.epd"}, ""},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parseArguments(c.arguments, settings).verdict, OptionVerdict::Ok);
        EXPECT_EQ(inputForDatabaseMode(c.arguments, settings), c.message) << c.arguments[0];
    }
}

}  // namespace
}  // namespace vestrel
