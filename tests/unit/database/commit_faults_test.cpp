// The rewrite of the database under faults planted in the platform's file calls: a kill at
// every single call, and each call failing on its own.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "database/rewrite.h"
#include "database_files.h"

namespace vestrel {
namespace {

using testing::crlfLines;
using testing::fileExists;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

const std::string kPrevious = crlfLines({"% the backup before"});
const std::string kOld = crlfLines({"% Vandrelo old", "8/8/8/8/8/8/8/k1K5 w - - bm #1;"});
const std::string kNewLine = "8/8/8/8/8/8/8/k1K5 w - - bm #2;";
const std::string kNew = crlfLines({kNewLine});
const std::string kNewerLine = "8/8/8/8/8/8/8/k1K5 w - - bm #3;";
const std::string kNewer = crlfLines({kNewerLine});

// Ends every planted fault, whatever way a test leaves.
struct FaultScope {
    ~FaultScope() { (void)clearFileFaults(); }
};

void startFiles() {
    writeFile("Mine.epd", kOld);
    writeFile("Mine.bak", kPrevious);
}

// One whole rewrite: begin, one line, commit.
bool rewriteWith(const std::string& line) {
    Rewrite rewrite;
    if (beginRewrite(rewrite, "Mine") != FileStatus::Ok) return false;
    rewriteLine(rewrite, line);
    return commitRewrite(rewrite);
}

void expectNoTemporaries() {
    for (const char* name : {"Mine.epd.new", "Mine.bak.new", "Mine.bak.cpy"}) {
        EXPECT_FALSE(fileExists(name)) << name;
    }
}

// A kill just before any one file call of a rewrite: the database is the old or the new one,
// the backup the previous one or the old database (or, with the new database in place, the
// old database waits under the backup's temporary name), and never the database itself. The
// next rewrite settles what was left and keeps the database as it found it as the backup.
TEST(CommitRewrite, EveryMomentOfAKillKeepsADatabaseAndABackup) {
    for (const bool links : {true, false}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE((links ? "links, killed before file call " : "no links, killed before ") +
                         std::to_string(n));
            FaultScope faults;
            ScratchDir dir;
            ASSERT_TRUE(dir.ok());
            startFiles();
            if (!links) failFileCalls(FileCall::Link, 1, 0);
            dieAtFileChange(n);
            const bool committed = rewriteWith(kNewLine);
            const int calls = clearFileFaults();
            const std::optional<std::string> database = readFile("Mine.epd");
            const std::optional<std::string> backup = readFile("Mine.bak");
            ASSERT_TRUE(database == kOld || database == kNew);
            if (database == kOld) {
                EXPECT_TRUE(backup == kPrevious || backup == kOld);
            } else {
                EXPECT_TRUE(backup == kOld ||
                            (backup == kPrevious && readFile("Mine.bak.new") == kOld));
            }
            EXPECT_FALSE(sameFile("Mine.bak", "Mine.epd"));
            ASSERT_TRUE(rewriteWith(kNewerLine));
            EXPECT_EQ(readFile("Mine.epd"), kNewer);
            EXPECT_EQ(readFile("Mine.bak"), database);
            expectNoTemporaries();
            if (calls < n) {  // the kill came after the last call: the run was whole
                EXPECT_TRUE(committed);
                break;
            }
        }
    }
}

// Each file call failing on its own, the first, second or third of its kind: a commit that
// fails leaves the database and the previous backup as they were and nothing else; one that
// reports success has the new database and the old one as its backup. A backup that can be
// made neither as a link nor as a copy fails the commit.
TEST(CommitRewrite, AFailedCallKeepsTheDatabaseAndThePreviousBackup) {
    struct Fault {
        FileCall call;
        int nth;
        bool noLinks;
    };
    std::vector<Fault> faults;
    for (FileCall call : {FileCall::Create, FileCall::Write, FileCall::Sync, FileCall::Rename,
                          FileCall::Link, FileCall::Remove, FileCall::Permissions}) {
        for (int nth = 1; nth <= 3; ++nth) {
            faults.push_back({call, nth, false});
            faults.push_back({call, nth, true});
        }
    }
    for (const Fault& f : faults) {
        SCOPED_TRACE("call kind " + std::to_string(int(f.call)) + ", number " +
                     std::to_string(f.nth) + (f.noLinks ? ", no links" : ""));
        FaultScope scope;
        ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        startFiles();
        if (f.noLinks) failFileCalls(FileCall::Link, 1, 0);
        failFileCalls(f.call, f.nth, f.nth);
        const bool committed = rewriteWith(kNewLine);
        (void)clearFileFaults();
        EXPECT_EQ(readFile("Mine.epd"), committed ? kNew : kOld);
        EXPECT_EQ(readFile("Mine.bak"), committed ? kOld : kPrevious);
        expectNoTemporaries();
    }
}

TEST(CommitRewrite, FailsWhenNoBackupCanBeMade) {
    FaultScope scope;
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    startFiles();
    failFileCalls(FileCall::Link, 1, 0);
    failFileCalls(FileCall::Create, 2, 0);  // the temporary file is made, no copy after it
    EXPECT_FALSE(rewriteWith(kNewLine));
    (void)clearFileFaults();
    EXPECT_EQ(readFile("Mine.epd"), kOld);
    EXPECT_EQ(readFile("Mine.bak"), kPrevious);
    expectNoTemporaries();
}

// A temporary file that no run holds but that cannot be removed, or whose lock cannot be
// tested at all, blocks the database with a verdict of its own, and is left as it was.
TEST(BeginRewrite, NamesALeftoverItCannotClear) {
    struct Case {
        FileCall fails;
        FileStatus start;
    };
    const Case cases[] = {{FileCall::Remove, FileStatus::DatabaseLeftover},
                          {FileCall::Lock, FileStatus::DatabaseLockUnknown}};
    for (const Case& c : cases) {
        FaultScope scope;
        ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        startFiles();
        writeFile("Mine.epd.new", "half a line");
        failFileCalls(c.fails, 1, 0);
        Rewrite rewrite;
        EXPECT_EQ(beginRewrite(rewrite, "Mine"), c.start);
        EXPECT_EQ(rewrite.tempPath, "Mine.epd.new");
        (void)clearFileFaults();
        EXPECT_EQ(readFile("Mine.epd.new"), "half a line");
        EXPECT_EQ(readFile("Mine.epd"), kOld);
    }
}

}  // namespace
}  // namespace vestrel
