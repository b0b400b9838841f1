#include "base/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

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

}  // namespace
}  // namespace vestrel
