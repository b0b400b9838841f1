#include "input/epd_line.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

TEST(CompletePositionText, SuppliesMissingFields) {
    struct Case {
        std::string_view in, out;
    };
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5", "8/8/8/8/8/8/8/K1k5 w - -"},
        {"8/8/8/8/8/8/8/K1k5 b", "8/8/8/8/8/8/8/K1k5 b - -"},
        {"8/8/8/8/8/8/8/K1k5 w KQ", "8/8/8/8/8/8/8/K1k5 w KQ"},
        {"8/8/8/8/8/8/8/K1k5 wb", "8/8/8/8/8/8/8/K1k5 wb"},
        {"", " w - -"},
    };
    for (const Case& c : cases) {
        std::string text(c.in);
        completePositionText(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(SplitRecord, CutsFieldsAndOpcodes) {
    struct Case {
        std::string_view record, fields, opcodes;
        int pieces;
    };
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5 b - -", "8/8/8/8/8/8/8/K1k5 b - -", "", 2},
        {"8/8/8/8/8/8/8/K1k5 w KQ", "8/8/8/8/8/8/8/K1k5 w KQ -", "", 2},
        {"8/8/8/8/8/8/8/K1k5 w - - bm #3", "8/8/8/8/8/8/8/K1k5 w - -", "bm #3", 2},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - bm #2; dm 2;", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -",
         "bm #2; dm 2;", 6},
        {"rnbqkbnr/pppppppp/8/8/8/8/pppppppp/rnbqkbnr w - -",
         "rnbqkbnr/pppppppp/8/8/8/8/pppppppp/rnbqkbnr w - -", "", 32},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4K3 w - -", "0 1", 2},
        {"4k3/8/8/8/8/8/8/4K3 w  KQ -", "4k3/8/8/8/8/8/8/4K3 w  KQ", "-", 2},
        {"1/1/1/1/1/1/1/1 w \tK -  \t", "1/1/1/1/1/1/1/1 w \tK -", "", 0},
        {"8/8/8/8/8/8/8/8 b ", "8/8/8/8/8/8/8/8 b - -", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        SplitRecord out;
        ASSERT_TRUE(splitRecord(c.record, SplitSettings{}, out));
        EXPECT_EQ(out.positionFields, c.fields);
        EXPECT_EQ(out.opcodeText, c.opcodes);
        // The piece count as the /p filter sees it.
        SplitSettings exact;
        exact.pieceRange = {RangeKind::Exact, c.pieces, 0};
        EXPECT_TRUE(splitRecord(c.record, exact, out));
        exact.pieceRange.x = c.pieces + 1;
        EXPECT_FALSE(splitRecord(c.record, exact, out));
    }
}

TEST(SplitRecord, DropsMalformedRecords) {
    const std::string_view records[] = {
        "8/8/8/8/8/8/8/K1k5",
        "8/8/8/8/8/8/8/K1k5 W - -",
        "8/8/8/8/8/8/8/K1k5 B - -",
        "8/8/8/8/8/8/8/K1k5 white - -",
        "8/8/8/8/8/8/K1k5 w - -",
        "8/8/8/8/8/8/8/8/K1k5 w - -",
        "8/8/8/8/8/8/9/K1k5 w - -",
        "8/8/8/0/8/8/8/K1k5 w - -",
        "8/8/8/8/8/8/8/K1x5 w - -",
        "8/8/8/8/8/8/8/K1k5  w - -",
        "8/8/8/8/8/8/8/K1k5 w",
        "[Event \"x\"] w - -",
        " w - -",
    };
    for (std::string_view record : records) {
        SplitRecord out;
        EXPECT_FALSE(splitRecord(record, SplitSettings{}, out)) << record;
    }
}

TEST(SplitRecord, AppliesPieceFilterAndCastlingEdit) {
    SplitSettings settings;
    settings.pieceRange = {RangeKind::More, 2, 0};
    SplitRecord out;
    EXPECT_FALSE(splitRecord("4k3/8/8/8/8/8/8/4K3 w - -", settings, out));
    ASSERT_TRUE(splitRecord("4k3/8/8/8/8/8/8/R3K3 w - -", settings, out));

    settings.castlingEdit = CastlingEdit::Insert;
    ASSERT_TRUE(splitRecord("r3k2r/8/8/8/8/8/8/R3K2R w  e3 bm #2;", settings, out));
    EXPECT_EQ(out.positionFields, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq e3");
    EXPECT_EQ(out.opcodeText, "bm #2;");
}

}  // namespace
}  // namespace vestrel

namespace vestrel {
namespace {

// A line taken as its own record must come out as the usual reading makes it: the same
// position fields and opcodes, or dropped alike; a line the usual reading changes is left
// to it.
TEST(SplitPlainLine, AgreesWithTheUsualReading) {
    struct Case {
        std::string_view line;
        LineFit fit;
    };
    const std::string longOpcodes = "bm #2; c0 \"" + std::string(40, 'x') + "\";";
    const std::string longLine = "8/8/8/8/8/8/8/K1k5 w - - " + longOpcodes;
    const std::string lateDouble = longLine + " id  \"a\";";
    const Case cases[] = {
        {"8/8/8/8/8/8/8/K1k5 w - - bm #2;", LineFit::Plain},
        {"8/8/8/8/8/8/8/K1k5 b KQkq e3", LineFit::Plain},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ; s#2 by A", LineFit::Plain},
        {longLine, LineFit::Plain},
        {"8/8/8/8/8/8/8/K1k5 w - -  bm #2;", LineFit::Other},
        {lateDouble, LineFit::Other},
        {" 8/8/8/8/8/8/8/K1k5 w - -", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5 w - - bm #2;\t", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5 w - - \tbm #2;", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5 w", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5 w -", LineFit::Other},
        {"% a comment", LineFit::Other},
        {"8/8/8/8/8/8/8/K1k5 x - -", LineFit::Dropped},
        {"8/8/8/8/8/8/8/K1k5 wb - -", LineFit::Dropped},
        {"8/8/8/8/8/8/K1k5 w - - bm #2;", LineFit::Dropped},
        {"8/8/8/8/8/8/8/K1k5/8 w - -", LineFit::Dropped},
        {"8/8/8/8/8/8/8/K1k5x w - -", LineFit::Dropped},
        {"8/8/8/8/8/8/8/K1k5_and_a_long_placement_tail w - -", LineFit::Dropped},
    };
    const SplitSettings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LineParts parts;
        const LineFit fit = splitPlainLine(c.line, settings, parts);
        EXPECT_EQ(fit, c.fit);
        // Reading the placement as a board on the way changes no verdict.
        BoardScan board;
        LineParts partsWithBoard;
        EXPECT_EQ(splitPlainLine(c.line, settings, partsWithBoard, &board), c.fit);
        if (fit == LineFit::Other) continue;
        SplitRecord usual;
        const bool kept = splitRecord(c.line, settings, usual);
        EXPECT_EQ(kept, fit == LineFit::Plain);
        if (!kept || fit != LineFit::Plain) continue;
        EXPECT_EQ(parts.line, c.line);
        EXPECT_EQ(parts.positionFields, usual.positionFields);
        EXPECT_EQ(parts.opcodeText, usual.opcodeText);
    }
}

TEST(SplitPlainLine, AppliesThePieceFilter) {
    SplitSettings settings;
    settings.pieceRange = {.kind = RangeKind::Exact, .x = 3};
    LineParts parts;
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/K1k5 w - -", settings, parts), LineFit::Dropped);
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/KQk5 w - -", settings, parts), LineFit::Plain);
    BoardScan board;
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/K1k5 w - -", settings, parts, &board),
              LineFit::Dropped);
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/KQk5 w - -", settings, parts, &board), LineFit::Plain);
    // Not a board, yet a placement splitRecord keeps: its pieces are counted all the same.
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/KQk w - -", settings, parts, &board), LineFit::Plain);
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/KQkQ w - -", settings, parts, &board),
              LineFit::Dropped);
    settings.castlingEdit = CastlingEdit::Insert;
    EXPECT_EQ(splitPlainLine("8/8/8/8/8/8/8/KQk5 w - -", settings, parts), LineFit::Other);
}

}  // namespace
}  // namespace vestrel
