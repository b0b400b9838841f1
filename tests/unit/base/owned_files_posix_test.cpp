// The reader and the writer close the files they own however they go, and only those.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "../database/database_files.h"
#include "base/line_reader.h"
#include "base/output.h"
#include "base/platform.h"

// POSIX only: the Windows build leaves out every *_posix_test.cpp.
namespace vestrel {
namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// Out of scope, an owned file is closed and a borrowed one stays open; a move hands the file
// over, and the moved-from reader closes nothing.
TEST(LineReader, ClosesOnlyTheFileItOwns) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    testing::writeFile("in.epd", "a\nb\n");
    int owned = kNoFile;
    {
        LineReader reader;
        ASSERT_TRUE(openLineReader(reader, "in.epd"));
        owned = reader.fd;
    }
    EXPECT_FALSE(isOpen(owned));

    const int borrowed = openForReading("in.epd");
    {
        LineReader reader;
        readOpenFile(reader, borrowed, false);
    }
    EXPECT_TRUE(isOpen(borrowed));
    EXPECT_TRUE(closeFile(borrowed));

    LineReader target;
    ASSERT_TRUE(openLineReader(target, "in.epd"));
    const int replaced = target.fd;
    std::string_view line;
    {
        LineReader source;
        ASSERT_TRUE(openLineReader(source, "in.epd"));
        ASSERT_TRUE(nextLine(source, line));
        owned = source.fd;
        target = std::move(source);
        EXPECT_FALSE(nextLine(source, line));
    }
    EXPECT_FALSE(isOpen(replaced));
    EXPECT_TRUE(isOpen(owned));
    ASSERT_TRUE(nextLine(target, line));
    EXPECT_EQ(line, "b");
    LineReader moved(std::move(target));
    EXPECT_TRUE(isOpen(owned));
    EXPECT_FALSE(nextLine(moved, line));
}

TEST(BufferedWriter, ClosesOnlyTheFileItOwns) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    int owned = kNoFile;
    {
        BufferedWriter writer;
        owned = createFile("a.txt");
        openWriter(writer, owned, 64, true);
    }
    EXPECT_FALSE(isOpen(owned));

    const int borrowed = createFile("b.txt");
    {
        BufferedWriter writer;
        openWriter(writer, borrowed, 64, false);
        writeLine(writer, "kept");
        EXPECT_TRUE(closeWriter(writer));
    }
    EXPECT_TRUE(isOpen(borrowed));
    EXPECT_TRUE(closeFile(borrowed));

    BufferedWriter target;
    const int replaced = createFile("c.txt");
    openWriter(target, replaced, 64, true);
    {
        BufferedWriter source;
        owned = createFile("d.txt");
        openWriter(source, owned, 64, true);
        writeBytes(source, "one ");
        target = std::move(source);
    }
    EXPECT_FALSE(isOpen(replaced));
    EXPECT_TRUE(isOpen(owned));
    writeLine(target, "two");
    EXPECT_TRUE(flushWriter(target));
    EXPECT_TRUE(closeWriter(target));
    EXPECT_FALSE(isOpen(owned));
    EXPECT_EQ(testing::readFile("d.txt"), "one two\r\n");
}

}  // namespace
}  // namespace vestrel
