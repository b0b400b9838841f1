#include "database/time_update.h"

#include <gtest/gtest.h>

#include <string>

#include "database_files.h"

namespace vestrel {
namespace {

using testing::captureStderr;
using testing::crlfLines;
using testing::fileExists;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

TEST(UpdateLineTimes, RescalesEveryTime) {
    struct Case {
        std::string_view line;
        double factor;
        std::string_view result;
        int count;
    };
    const Case cases[] = {
        {"8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 01:20 @", 2,
         "8/8/8/8/8/8/8/8 w - - bm #3; 00:02; 00:40 @", 2},
        {"01:00", 2, "00:30", 1},
        {"01:00", 0.5, "02:00", 1},
        {"01:00", 1.5, "00:40", 1},
        {"01:00", 1, "01:00", 1},
        {"01:00", 0.1, "09:59", 1},  // 60 / 0.1 lies just below 600 in extended precision
        {"10:00", 0.5, "20:00", 1},
        {"01'30", 0.5, "03'00", 1},
        {"60:00", 0.5, "99:99", 1},
        {"99:59", 0.9, "99:99", 1},
        {"01:59", 1.5, "01:19", 1},
        {"1:5", 1, "1:5", 0},
        {"a 5:30 b", 1, "a05:30 b", 1},
        {"a+5:-3 b", 1, "a04:57 b", 1},
        {"12:5", 1, "12:05", 1},
        {"12:5 x", 1, "12:5 x", 0},
        {"12:", 1, "12:", 0},
        {"12:34:56", 2, "06:08:58", 2},
        {"00:10 or 00'20 or 00:40", 2, "00:05 or 00'10 or 00:20", 3},
        {"% Special problem types:", 1, "% Special problem types:", 0},
        {"ab:cd and 5x:10", 1, "ab:cd and 5x:10", 0},
        {"a\x01"
         "b\x02"
         "c 00:10",
         2, "a:b'c 00:05", 1},
        {"1\x01"
         "10:00",
         1, "1:10:00", 1},
        {"", 2, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " / " + std::to_string(c.factor));
        std::string line(c.line);
        EXPECT_EQ(updateLineTimes(line, c.factor), c.count);
        EXPECT_EQ(line, c.result);
    }
}

RunSettings timeSettings(const std::string& stem, double factor) {
    RunSettings settings;
    settings.databaseStem = stem;
    settings.databaseMode = DatabaseMode::TimeUpdate;
    settings.timeFactor = factor;
    return settings;
}

TEST(UpdateSolutionTimes, RewritesTheDatabaseAndKeepsTheOld) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string old =
        "% Vandrelo db\r\n\r\n% Special problem types:\r\n"
        "8/8/8/8/8/8/8/8 w - - bm #3; 00:05; 01:20 @\n"
        "8/8/8/8/8/8/8/8 w - - bm h#2; 10:00+; 1:02:03 @\r\n";
    writeFile("Mine.epd", old);
    writeFile("Mine.bak", "older backup");
    FileStatus result = FileStatus::DatabaseNotFound;
    const std::string err =
        captureStderr([&] { result = updateSolutionTimes(timeSettings("Mine", 2)); });
    EXPECT_EQ(result, FileStatus::Ok);
    EXPECT_EQ(err, "\n5 solution times updated in \"Mine.epd\"\r\n");
    EXPECT_EQ(readFile("Mine.epd"), crlfLines({"% Vandrelo db", "", "% Special problem types:",
                                               "8/8/8/8/8/8/8/8 w - - bm #3; 00:02; 00:40 @",
                                               "8/8/8/8/8/8/8/8 w - - bm h#2; 05:00+;00:15:31 @"}));
    EXPECT_EQ(readFile("Mine.bak"), old);
    EXPECT_FALSE(fileExists("Mine.epd.new"));
}

TEST(UpdateSolutionTimes, MissingDatabaseChangesNothing) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("Vandrelo.bak", "old backup");
    FileStatus result = FileStatus::Ok;
    const std::string err =
        captureStderr([&] { result = updateSolutionTimes(timeSettings("Vandrelo", 2)); });
    EXPECT_EQ(result, FileStatus::DatabaseNotFound);
    EXPECT_EQ(err, "");
    EXPECT_FALSE(fileExists("Vandrelo.epd"));
    EXPECT_EQ(readFile("Vandrelo.bak"), "old backup");
    EXPECT_FALSE(fileExists("Vandrelo.epd.new"));
}

}  // namespace
}  // namespace vestrel
