#include "database/rewrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/platform.h"
#include "database_files.h"

namespace vestrel {
namespace {

using testing::crlfLines;
using testing::fileExists;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

const std::string kOld = crlfLines({"% Vandrelo old", "8/8/8/8/8/8/8/k1K5 w - - bm #1;"});
const std::string kNew = "8/8/8/8/8/8/8/k1K5 w - - bm #2;";

// Another program still reads the database at the commit. Most systems move the new file in;
// some refuse to move onto an open file, and then the database must stay whole.
TEST(CommitRewrite, KeepsOneWholeVersionWhileTheDatabaseIsOpenElsewhere) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeFile("Mine.epd", kOld);
    Rewrite rewrite;
    LineReader reader;
    ASSERT_EQ(beginDatabaseRewrite(rewrite, reader, "Mine"), FileStatus::Ok);
    rewriteLine(rewrite, kNew);
    const bool committed = commitRewrite(rewrite);
    closeLineReader(reader);
    EXPECT_EQ(readFile("Mine.epd"), committed ? crlfLines({kNew}) : kOld);
    if (committed) {
        EXPECT_EQ(readFile("Mine.bak"), kOld);
    } else {
        EXPECT_FALSE(fileExists("Mine.bak"));  // a failed commit keeps the backup as it was
    }
    EXPECT_FALSE(fileExists("Mine.epd.new"));
}

// A write that fails (a full disk) or a move that fails leaves the database name as it was,
// with or without a database before, and never leaves the temporary file behind.
TEST(CommitRewrite, AFailureLeavesTheDatabaseAsItWas) {
    enum class Fault { Write, NameIsAFolder };
    struct Case {
        const char* name;
        bool databaseExists;
        Fault fault;
    };
    const Case cases[] = {
        {"write fails, database kept", true, Fault::Write},
        {"write fails, no database made", false, Fault::Write},
        {"move onto a folder fails", false, Fault::NameIsAFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        if (c.databaseExists) writeFile("Mine.epd", kOld);
        writeFile("other.txt", "read-only here");
        Rewrite rewrite;
        ASSERT_EQ(beginRewrite(rewrite, "Mine"), FileStatus::Ok);
        if (c.fault == Fault::Write) {
            // Writes to a descriptor open for reading fail like writes to a full disk.
            EXPECT_TRUE(closeFile(rewrite.out.fd));
            rewrite.out.fd = openForReading("other.txt");
            ASSERT_NE(rewrite.out.fd, kNoFile);
        } else {
            ASSERT_TRUE(std::filesystem::create_directory("Mine.epd"));
            writeFile("Mine.epd/inside.txt", "x");
        }
        const std::string big(3 << 20, 'x');  // past the writer's buffer
        rewriteLine(rewrite, big);
        EXPECT_FALSE(commitRewrite(rewrite));
        if (c.databaseExists) {
            EXPECT_TRUE(readFile("Mine.epd") == kOld);
        } else if (c.fault == Fault::NameIsAFolder) {
            EXPECT_EQ(readFile("Mine.epd/inside.txt"), "x");
        } else {
            EXPECT_FALSE(fileExists("Mine.epd"));
        }
        EXPECT_FALSE(fileExists("Mine.epd.new"));
        EXPECT_EQ(readFile("other.txt"), "read-only here");
    }
}

}  // namespace
}  // namespace vestrel
