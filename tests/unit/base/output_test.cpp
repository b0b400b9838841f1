#include "base/output.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "base/direct_writes.h"
#include "base/platform.h"

namespace vestrel {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What a writer of the given capacity leaves in its file after three lines of pieces, each
// written as one call or piece by piece.
std::string writtenBytes(std::size_t capacity, bool asOneCall) {
    std::error_code error;
    const std::string path = (std::filesystem::temp_directory_path(error) /
                              ("vestrel_output_" + std::to_string(std::random_device{}())))
                                 .string();
    const int fd = createFile(path);
    EXPECT_NE(fd, kNoFile);
    BufferedWriter writer;
    openWriter(writer, fd, capacity, true);
    for (int line = 0; line < 3; ++line) {
        const std::string_view pieces[] = {
            "8/8/8/8/8/8/8/K1k5 w - -", " id \"", "duplicate", "", "\";", "\r\n"};
        if (asOneCall) {
            writePieces(writer, {pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5]});
        } else {
            for (std::string_view piece : pieces) writeBytes(writer, piece);
        }
    }
    EXPECT_TRUE(flushWriter(writer));
    EXPECT_TRUE(closeWriter(writer));
    std::string bytes = readFile(path);
    std::filesystem::remove(path, error);
    return bytes;
}

// Buffers smaller than a piece, than a line, and larger than everything all keep every byte
// in order, as the pieces written one by one would.
TEST(WritePieces, WritesWhatSeparateWritesWould) {
    for (std::size_t capacity : {1u, 5u, 24u, 30u, 41u, 42u, 43u, 100u, 4096u}) {
        SCOPED_TRACE(capacity);
        const std::string expected = writtenBytes(capacity, false);
        EXPECT_EQ(expected.size(), 3u * 42u);
        EXPECT_EQ(writtenBytes(capacity, true), expected);
    }
}

std::string scratchPath() {
    std::error_code error;
    return (std::filesystem::temp_directory_path(error) /
            ("vestrel_direct_" + std::to_string(std::random_device{}())))
        .string();
}

// Whether the file system of the scratch folder takes direct writes at all.
bool takesDirectWrites() {
    const std::string path = scratchPath();
    const int fd = createFile(path);
    const bool direct = fd != kNoFile && setDirectWrites(fd, true);
    if (fd != kNoFile) (void)closeFile(fd);
    std::error_code error;
    std::filesystem::remove(path, error);
    return direct;
}

// Pieces from a byte to past a direct block, flushes between them, and a file that turns to
// direct writes at an odd offset: the file holds every byte in order.
TEST(DirectWrites, FileHoldsEveryByteInOrder) {
    struct Case {
        std::uint64_t directFrom;
        std::size_t largestPiece;
        std::size_t flushEvery;  // pieces between two flushes; 0: only at the end
    };
    const Case cases[] = {
        {1, 300, 0},                         // on at once, small pieces only
        {5'000, 200, 7'000},                 // off and on again at every flush
        {100'003, kDirectWrite + 9'999, 0},  // pieces larger than a block
        {kDirectWrite, kDirectWrite / 3, 5},
    };
    const bool direct = takesDirectWrites();
    std::minstd_rand random(7);
    std::string pool(2 * kDirectWrite, '\0');
    for (char& b : pool) b = char('a' + random() % 26);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directFrom);
        const std::string path = scratchPath();
        BufferedWriter writer;
        openWriter(writer, createFile(path), 4096, true);
        writer.directFrom = c.directFrom;
        std::string expected;
        bool wentDirect = false;
        for (std::size_t piece = 1; expected.size() < 3 * kDirectWrite + 12'345; ++piece) {
            const std::size_t size = 1 + random() % c.largestPiece;
            const std::string_view bytes(pool.data() + random() % (pool.size() - size), size);
            writeBytes(writer, bytes);
            expected += bytes;
            wentDirect = wentDirect || writer.direct != nullptr;
            if (c.flushEvery != 0 && piece % c.flushEvery == 0) {
                ASSERT_TRUE(flushWriter(writer));
            }
        }
        ASSERT_TRUE(flushWriter(writer));
        EXPECT_EQ(wentDirect, direct);
        EXPECT_TRUE(closeWriter(writer));
        const std::string written = readFile(path);
        EXPECT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected);
        std::error_code error;
        std::filesystem::remove(path, error);
    }
}

// A write that fails while the blocks go to the disk (on their own thread) fails the writer.
TEST(DirectWrites, FailedBlockFailsTheWriter) {
    for (int failing : {1, 2, 3}) {
        SCOPED_TRACE(failing);
        const std::string path = scratchPath();
        BufferedWriter writer;
        openWriter(writer, createFile(path), 4096, true);
        writer.directFrom = 1;
        writeBytes(writer, "x");
        ASSERT_TRUE(flushWriter(writer));
        failFileCalls(FileCall::Write, failing, 0);
        const std::string block(kDirectWrite / 2 + 1, 'b');
        for (int k = 0; k < 8; ++k) writeBytes(writer, block);
        EXPECT_FALSE(flushWriter(writer));
        (void)clearFileFaults();
        EXPECT_TRUE(closeWriter(writer));
        std::error_code error;
        std::filesystem::remove(path, error);
    }
}

}  // namespace
}  // namespace vestrel
