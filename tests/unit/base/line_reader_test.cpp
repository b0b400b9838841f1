#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>
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

// The lines of a text read the plain way: a line ends at LF, CR bytes are dropped, a Ctrl-Z
// ends the text, the bytes before the end on their line form a last line when there are any.
struct PlainLines {
    std::vector<std::string> lines;
    std::vector<std::size_t> rawLengths;  // each line's bytes with its CR bytes
    bool ctrlZ = false;
    bool textAfter = false;  // a byte other than Ctrl-Z, CR, LF after the Ctrl-Z
};

PlainLines plainLines(std::string_view bytes) {
    PlainLines out;
    std::string line;
    std::size_t raw = 0;
    std::size_t i = 0;
    for (; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\n') {
            out.lines.push_back(std::exchange(line, {}));
            out.rawLengths.push_back(std::exchange(raw, 0));
            continue;
        }
        ++raw;
        if (bytes[i] != '\r') line.push_back(bytes[i]);
    }
    if (raw > 0) {
        out.lines.push_back(line);
        out.rawLengths.push_back(raw);
    }
    out.ctrlZ = i < bytes.size();
    for (++i; out.ctrlZ && i < bytes.size(); ++i) {
        if (bytes[i] != '\x1A' && bytes[i] != '\r' && bytes[i] != '\n') out.textAfter = true;
    }
    return out;
}

// Holds what a reader handed out against the plain reading: the same lines, or the same lines
// up to one refused for passing the limit with its CR bytes, and none handed out over it.
void expectPlainLines(LineReader& reader, std::string_view bytes, std::size_t maxLine) {
    const PlainLines want = plainLines(bytes);
    std::size_t n = 0;
    std::string_view line;
    while (nextLine(reader, line)) {
        ASSERT_LT(n, want.lines.size());
        ASSERT_EQ(line, want.lines[n]);
        ++n;
    }
    EXPECT_FALSE(reader.readFailed);
    if (reader.lineTooLong) {
        ASSERT_LT(n, want.lines.size());
        EXPECT_GT(want.rawLengths[n], maxLine);
        return;
    }
    ASSERT_EQ(n, want.lines.size());
    for (const std::string& kept : want.lines) EXPECT_LE(kept.size(), maxLine);
    EXPECT_EQ(reader.ctrlZ, want.ctrlZ);
    EXPECT_EQ(textAfterCtrlZ(reader), want.textAfter);
}

// Random texts of line ends, Ctrl-Z, other control bytes next to them in value, blanks and
// bytes from 0x80 up, at every length to 100 and every alignment, read from memory with
// nothing after their last byte: the 16-byte scan and its byte-wise tail find every line end.
TEST(LineReader, ReadsWhatThePlainReadingReads) {
    constexpr char kControls[] = {'\n', '\r', '\x1A', '\t', '\x00', '\x19', '\x0B'};
    constexpr char kText[] = {' ', 'a', '/', '\x1B', '\x7F', '\x80', '\x8A', '\x9A', '\xFF'};
    std::mt19937 random(20261208);
    for (std::size_t length = 0; length <= 100; ++length) {
        for (std::size_t align = 0; align < 16; ++align) {
            for (int round = 0; round < 6; ++round) {
                // One byte in 3, 12 or 40 a control byte: long lines and lone ones come too.
                const unsigned rare = round % 3 == 0 ? 3 : round % 3 == 1 ? 12 : 40;
                std::string text;
                for (std::size_t i = 0; i < length; ++i) {
                    text.push_back(random() % rare == 0 ? kControls[random() % std::size(kControls)]
                                                        : kText[random() % std::size(kText)]);
                }
                SCOPED_TRACE(::testing::PrintToString(text) + " at " + std::to_string(align));
                // Exactly the bytes of the text after `align` others: a read past them is
                // a heap overflow under the address sanitizer.
                const auto store = std::make_unique<char[]>(align + length);
                std::copy(text.begin(), text.end(), store.get() + align);
                LineReader whole;
                whole.bytes = store.get() + align;
                whole.end = length;
                whole.maxLineBytes = round < 3 ? kMaxLineBytes : 7;
                LineReader view;
                viewMappedLines(view, whole, 0);
                expectPlainLines(view, text, whole.maxLineBytes);
            }
        }
    }
}

// Texts read from a file in blocks of 1 to 17 bytes: every line end meets the block edges.
TEST(LineReader, ReadsInSmallBlocksWhatThePlainReadingReads) {
    const std::string texts[] = {
        "abc\r\n\r\ndef\rghi\nlast",
        "0123456789abcdef0123456789\r\nx\x80\xFF\r\r\n\n\x1A\r\n",
        "\r\r\r\n\tkey \x1A more",
        "a line of some length in front of a Ctrl-Z\x1A\x1A\r\n",
        "no line end at all, yet longer than every block",
    };
    for (const std::string& text : texts) {
        testing::ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        testing::writeFile("in.epd", text);
        for (std::size_t block = 1; block <= 17; ++block) {
            for (std::size_t maxLine : {std::size_t{5}, kMaxLineBytes}) {
                SCOPED_TRACE(::testing::PrintToString(text) + " in blocks of " +
                             std::to_string(block) + ", limit " + std::to_string(maxLine));
                LineReader reader;
                reader.blockBytes = block;
                reader.maxLineBytes = maxLine;
                ASSERT_TRUE(openLineReader(reader, "in.epd"));
                expectPlainLines(reader, text, maxLine);
            }
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

// A known line is taken only when the bytes at hand begin with it and its line end, and it is
// then the line nextLine would hand out; otherwise nothing is read.
TEST(LineReader, TakesAKnownLineOnlyWhenItsBytesAreThere) {
    testing::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    testing::writeFile("in.epd", "abc\r\nabd\nlast");
    for (bool mapped : {false, true}) {
        SCOPED_TRACE(mapped);
        LineReader reader;
        reader.mapsLargeFiles = mapped;
        ASSERT_TRUE(openLineReader(reader, "in.epd"));
        std::string_view line;
        ASSERT_TRUE(nextLine(reader, line));  // fills the block
        EXPECT_EQ(line, "abc");
        reader.begin = 0;  // read the first line again, as a known one
        EXPECT_FALSE(takeKnownLine(reader, "abc\n", 3, line));  // its end is CR LF
        EXPECT_TRUE(takeKnownLine(reader, "abc\r\n", 3, line));
        EXPECT_EQ(line, "abc");
        EXPECT_TRUE(lineAtHand(reader));
        EXPECT_FALSE(takeKnownLine(reader, "abc\n", 3, line));        // another line
        EXPECT_FALSE(takeKnownLine(reader, "abd\nlast\n", 9, line));  // past the bytes at hand
        ASSERT_TRUE(nextLine(reader, line));
        EXPECT_EQ(line, "abd");
        EXPECT_FALSE(takeKnownLine(reader, "last\n", 4, line));  // no LF after the last line
        ASSERT_TRUE(nextLine(reader, line));
        EXPECT_EQ(line, "last");
        EXPECT_FALSE(nextLine(reader, line));
    }
}

}  // namespace
}  // namespace vestrel
