#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../database/database_files.h"

namespace vestrel {
namespace {

struct ReadResult {
    std::vector<std::string> lines;
    bool ctrlZ = false;
    bool textAfter = false;
};

// Reads a file whole. Lines handed out while the next one is at hand are checked again when
// the reader is about to read further, as the record queue keeps them.
ReadResult readAll(const std::string& path, bool mapped, std::size_t blockBytes) {
    LineReader reader;
    reader.mapsLargeFiles = mapped;
    reader.blockBytes = blockBytes;
    ReadResult result;
    EXPECT_TRUE(openLineReader(reader, path));
    std::vector<std::pair<std::string_view, std::string>> kept;
    std::string_view line;
    while (true) {
        if (!nextLineAtHand(reader)) {
            for (const auto& [view, copy] : kept) EXPECT_EQ(view, copy);
            kept.clear();
        }
        if (!nextLine(reader, line)) break;
        result.lines.emplace_back(line);
        if (lineAtHand(reader)) kept.emplace_back(line, std::string(line));
    }
    result.ctrlZ = reader.ctrlZ;
    result.textAfter = textAfterCtrlZ(reader);
    EXPECT_FALSE(reader.readFailed);
    closeLineReader(reader);
    return result;
}

// A mapped file and one read in blocks of any size give the same lines.
TEST(LineReader, MappedAndBlockReadingAgree) {
    const std::string filler(kMapMinBytes, 'x');
    const std::string tails[] = {
        "\r\na b\r\nc\n\nlast",
        "\r\nmid\rdle\r\nend\r\n",
        "\r\nbefore\x1A after\r\n",
        "\r\nx\r\n\x1A\r\n",
    };
    for (const std::string& tail : tails) {
        SCOPED_TRACE(tail);
        testing::ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        testing::writeFile("in.epd", filler + tail);
        const ReadResult mapped = readAll("in.epd", true, kBlockBytes);
        ASSERT_FALSE(mapped.lines.empty());
        EXPECT_EQ(mapped.lines[0], filler);
        for (std::size_t block : {std::size_t{4093}, kBlockBytes}) {
            const ReadResult blocks = readAll("in.epd", false, block);
            EXPECT_EQ(blocks.lines, mapped.lines);
            EXPECT_EQ(blocks.ctrlZ, mapped.ctrlZ);
            EXPECT_EQ(blocks.textAfter, mapped.textAfter);
        }
    }
}

// Lines read in small blocks stay valid as long as the next line is at hand.
TEST(LineReader, LinesAtHandKeepTheirBytes) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\r\n";
    testing::writeFile("in.epd", text);
    for (std::size_t block : {std::size_t{5}, std::size_t{16}, std::size_t{100}}) {
        SCOPED_TRACE(block);
        EXPECT_EQ(readAll("in.epd", false, block).lines.size(), 200u);
    }
}

}  // namespace
}  // namespace vestrel
