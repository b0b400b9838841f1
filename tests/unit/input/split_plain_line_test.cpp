// splitPlainLine reads sixteen bytes at a time; here it meets a plain byte-by-byte reading of
// the same rules on generated lines of every length, at every alignment, each line ending
// where its allocation ends (so that a sanitizer build sees any read past it).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/range.h"
#include "input/epd_line.h"

namespace vestrel {
namespace {

using namespace std::literals;

constexpr std::size_t npos = std::string_view::npos;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

struct Reading {
    LineFit fit = LineFit::Other;
    std::string_view fields;
    std::string_view opcodes;
    int pieces = 0;  // the placement's piece letters, when it has no foreign byte
};

// The rules of splitPlainLine, one byte and one field at a time.
Reading readPlainly(std::string_view line, const SplitSettings& settings) {
    Reading r;
    if (line.empty() || isBlank(line.front()) || isBlank(line.back())) return r;
    if (line.front() == '%' || line.find("  ") != npos) return r;
    const std::size_t space = line.find(' ');
    if (space == npos || space + 2 == line.size()) return r;
    int slashes = 0;
    bool foreign = false;
    for (char c : line.substr(0, space)) {
        if (c == '/') {
            ++slashes;
        } else if (std::string_view("PNBRQKpnbrqk").find(c) != npos) {
            ++r.pieces;
        } else if (c < '1' || c > '8') {
            foreign = true;
        }
    }
    r.fit = LineFit::Dropped;
    if (foreign || slashes != 7) return r;
    if (settings.pieceRange.kind != RangeKind::None && !rangeTest(r.pieces, settings.pieceRange)) {
        return r;
    }
    if ((line[space + 1] != 'w' && line[space + 1] != 'b') || line[space + 2] != ' ') return r;
    const std::size_t castlingEnd = line.find(' ', space + 3);
    if (castlingEnd == npos) {
        r.fit = LineFit::Other;
        return r;
    }
    const std::size_t fieldsEnd = std::min(line.find(' ', castlingEnd + 1), line.size());
    r.fields = line.substr(0, fieldsEnd);
    r.opcodes = fieldsEnd == line.size() ? std::string_view() : line.substr(fieldsEnd + 1);
    r.fit = !r.opcodes.empty() && isBlank(r.opcodes.front()) ? LineFit::Other : LineFit::Plain;
    return r;
}

std::string shown(std::string_view line) {
    std::string text;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127) {
            text.push_back(c);
        } else {
            text += "\\x";
            text.push_back("0123456789abcdef"[byte >> 4]);
            text.push_back("0123456789abcdef"[byte & 15]);
        }
    }
    return text;
}

// Bytes a placement may hold, bytes next to them in value or in case, and bytes that end lines
// or fields.
constexpr std::string_view kPlacementBytes = "PNBRQKpnbrqk12345678/";
constexpr std::string_view kOtherBytes =
    " \t\r\n\x1a\x0f\x11\x18\x19\x00"
    "09.-AOSaos#;wW\x7f\x80\xa0\xd0\xe2\xf0\xf2\xff"sv;

class LineMaker {
public:
    explicit LineMaker(unsigned seed) : random_(seed) {}

    // A placement of `length` bytes with seven slashes now and then, its fields, opcodes and a
    // few stray bytes; or bytes at random.
    std::string make(std::size_t length) {
        std::string line;
        if (below(4) == 0) {
            for (std::size_t i = 0; i < length; ++i) line.push_back(anyByte());
            return line;
        }
        for (std::size_t i = 0; i < length; ++i) {
            line.push_back(kPlacementBytes[below(kPlacementBytes.size())]);
        }
        if (length >= 7 && below(4) != 0) {
            std::replace(line.begin(), line.end(), '/', '1');
            for (int slash = 0; slash < 7; ++slash) line[below(length)] = '/';
        }
        const std::string_view tails[] = {
            "", " w", " b ", " w - -", " b KQkq e3", " w Kq - bm #2;", " b - - id \"x\";", " w -"};
        line += tails[below(std::size(tails))];
        const std::size_t opcodes = below(4) == 0 ? below(40) : 0;
        for (std::size_t i = 0; i < opcodes; ++i) line.push_back(anyByte());
        for (std::size_t strays = below(3) == 0 ? below(3) + 1 : 0; strays > 0; --strays) {
            if (!line.empty()) line[below(line.size())] = anyByte();
        }
        return line;
    }

private:
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    char anyByte() {
        if (below(8) == 0) return static_cast<char>(below(256));
        const std::size_t i = below(kPlacementBytes.size() + kOtherBytes.size());
        return i < kPlacementBytes.size() ? kPlacementBytes[i]
                                          : kOtherBytes[i - kPlacementBytes.size()];
    }

    std::mt19937 random_;
};

void expectSameReading(std::string_view line) {
    SCOPED_TRACE(shown(line));
    const SplitSettings any;
    const Reading plain = readPlainly(line, any);
    // The piece filter sees the count: an exact range on it and one above it.
    SplitSettings exact;
    exact.pieceRange = {RangeKind::Exact, plain.pieces, 0};
    SplitSettings above = exact;
    above.pieceRange.x = plain.pieces + 1;
    const SplitSettings* const allSettings[] = {&any, &exact, &above};
    for (const SplitSettings* settings : allSettings) {
        const Reading expected = readPlainly(line, *settings);
        LineParts parts;
        ASSERT_EQ(splitPlainLine(line, *settings, parts), expected.fit);
        if (expected.fit == LineFit::Plain) {
            EXPECT_EQ(parts.line, line);
            EXPECT_EQ(parts.positionFields, expected.fields);
            EXPECT_EQ(parts.opcodeText, expected.opcodes);
        }
        // The same when the placement is read as a board on the way.
        BoardScan board;
        ASSERT_EQ(splitPlainLine(line, *settings, parts, &board), expected.fit);
        if (expected.fit == LineFit::Plain) {
            EXPECT_EQ(parts.positionFields, expected.fields);
        }
    }
}

TEST(SplitPlainLine, ReadsGeneratedLinesAsThePlainRulesDo) {
    LineMaker maker(20261208);
    for (std::size_t length = 0; length <= 260; ++length) {
        for (std::size_t round = 0; round < 40; ++round) {
            const std::string text = maker.make(length);
            // Every alignment; the line is the end of its allocation.
            const std::size_t offset = round % 16;
            std::vector<char> bytes(offset + text.size());
            std::copy(text.begin(), text.end(), bytes.begin() + std::ptrdiff_t(offset));
            expectSameReading(std::string_view(bytes.data() + offset, text.size()));
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace vestrel
