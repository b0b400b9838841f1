#include "input/puzzle_csv.h"

#include <gtest/gtest.h>

#include <vector>

namespace vestrel {
namespace {

std::vector<std::string> fieldsOf(std::string_view line) {
    CsvFields fields;
    splitCsvLine(line, fields);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < fields.ends.size(); ++i) out.emplace_back(fields.field(i));
    return out;
}

TEST(SplitCsvLine, QuotedFieldsHoldCommasAndDoubledQuotes) {
    using Fields = std::vector<std::string>;
    EXPECT_EQ(fieldsOf("a,b,c"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(fieldsOf(""), (Fields{""}));
    EXPECT_EQ(fieldsOf("a,,"), (Fields{"a", "", ""}));
    EXPECT_EQ(fieldsOf("\"x,y\",z"), (Fields{"x,y", "z"}));
    EXPECT_EQ(fieldsOf("\"say \"\"hi\"\"\",2"), (Fields{"say \"hi\"", "2"}));
    EXPECT_EQ(fieldsOf("\"\",\",\""), (Fields{"", ","}));
    EXPECT_EQ(fieldsOf("\"open,to the end"), (Fields{"open,to the end"}));
    EXPECT_EQ(fieldsOf("\"a\"b,c"), (Fields{"ab", "c"}));
    EXPECT_EQ(fieldsOf("a \"b\",c"), (Fields{"a \"b\"", "c"}));
}

TEST(ReadPuzzleHeader, FindsColumnsByNameAndNamesTheFirstMissing) {
    PuzzleColumns columns;
    CsvFields fields;
    EXPECT_EQ(readPuzzleHeader("PuzzleId,FEN,Moves,Rating,RatingDeviation,Popularity,NbPlays,"
                               "Themes,GameUrl,OpeningTags",
                               columns, fields),
              "");
    EXPECT_EQ(columns.puzzleId, 0u);
    EXPECT_EQ(columns.fen, 1u);
    EXPECT_EQ(columns.moves, 2u);
    EXPECT_EQ(columns.rating, 3u);
    EXPECT_EQ(columns.themes, 7u);
    EXPECT_EQ(columns.fieldsNeeded, 8u);

    EXPECT_EQ(readPuzzleHeader("x,\" themes \",moves,\"puzzleid\",fen", columns, fields), "");
    EXPECT_EQ(columns.themes, 1u);
    EXPECT_EQ(columns.fen, 4u);
    EXPECT_EQ(columns.rating, PuzzleColumns::kAbsent);
    EXPECT_EQ(columns.fieldsNeeded, 5u);

    EXPECT_EQ(readPuzzleHeader("PuzzleId,FEN,Moves,Rating", columns, fields), "Themes");
    EXPECT_EQ(readPuzzleHeader("Themes,Moves,FEN", columns, fields), "PuzzleId");
    EXPECT_EQ(readPuzzleHeader("", columns, fields), "PuzzleId");
    EXPECT_EQ(readPuzzleHeader("PuzzleId;FEN;Moves;Themes", columns, fields), "PuzzleId");
    // Without a complete header no line has the fields a puzzle needs.
    std::string record;
    EXPECT_EQ(puzzleRecord("a,b,c,d,e,f", columns, fields, record), PuzzleVerdict::TooFewFields);
}

TEST(MateLengthOfThemes, OnlyMatesInOneToFour) {
    struct Case {
        std::string_view themes;
        int mate;
    };
    const Case cases[] = {
        {"mate mateIn1 oneMove", 1},
        {"short mateIn2", 2},
        {"MATEIN3", 3},
        {"mateIn4 long", 4},
        {"mateIn5 veryLong", 0},
        {"mateIn0", 0},
        {"mateIn12", 0},
        {"mate short", 0},
        {"", 0},
        {"smateIn2 mateIn", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(mateLengthOfThemes(c.themes), c.mate) << c.themes;
}

TEST(PuzzleRecord, PlaysTheFirstMoveAndAddsTheOpcodes) {
    PuzzleColumns columns;
    CsvFields fields;
    ASSERT_EQ(readPuzzleHeader("PuzzleId,FEN,Moves,Rating,Themes", columns, fields), "");
    struct Case {
        std::string_view line;
        PuzzleVerdict verdict;
        std::string_view record;
    };
    const Case cases[] = {
        // Black's move, then a back-rank mate in one: white to move.
        {"t1,6k1/p4ppp/8/8/8/8/5PPP/3R2K1 b - - 0 30,a7a6 d1d8,612,mate mateIn1",
         PuzzleVerdict::Record, "6k1/5ppp/p7/8/8/8/5PPP/3R2K1 w - - bm #1; id \"t1\"; rating 612;"},
        // Qg7 Kb8 Qb7# follows the king's step into the corner.
        {"t2,1k6/8/2K5/8/8/8/8/6Q1 b - - 5 61,b8a8 g1g7 a8b8 g7b7,1105,mateIn2 short",
         PuzzleVerdict::Record, "k7/8/2K5/8/8/8/8/6Q1 w - - bm #2; id \"t2\"; rating 1105;"},
        // A double step leaves its en-passant square; castling drops the rights.
        {"t3,4k3/8/8/8/4p3/8/3P4/4K3 w - - 0 40,d2d4 e4d3,1450,endgame", PuzzleVerdict::Record,
         "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 id \"t3\"; rating 1450;"},
        {"t4,r3k3/8/8/8/8/8/8/4K3 b q - 0 1,e8c8 e1e2,900,opening", PuzzleVerdict::Record,
         "2kr4/8/8/8/8/8/8/4K3 w - - id \"t4\"; rating 900;"},
        {"t5,4k3/8/8/3Pp3/8/8/8/4K3 w - e6 0 45,d5e6,,enPassant", PuzzleVerdict::Record,
         "4k3/8/4P3/8/8/8/8/4K3 b - - id \"t5\";"},
        {"t6,8/P7/8/8/8/8/k7/4K3 w - - 0 50,a7a8q a2b3,1000 ,promotion", PuzzleVerdict::Record,
         "Q7/8/8/8/8/8/k7/4K3 b - - id \"t6\"; rating 1000;"},
        {"\"t\"\"7;\",8/8/8/8/8/2k5/8/K6R b - - 0 1,c3b3,x,mateIn5", PuzzleVerdict::Record,
         "8/8/8/8/8/1k6/8/K6R w - - id \"t7\";"},
        // Not legal there, or no move at all: the FEN's own fields.
        {"t8,rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1,e2e5,1500,opening",
         PuzzleVerdict::IllegalMove,
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - id \"t8\"; rating 1500;"},
        {"t9,4k3/8/8/8/8/8/8/4K3 w - - 0 1,,1,mateIn1", PuzzleVerdict::IllegalMove,
         "4k3/8/8/8/8/8/8/4K3 w - - bm #1; id \"t9\"; rating 1;"},
        // A bare placement is completed as in an EPD line: white to move.
        {"t10,4k3/8/8/8/8/8/8/4K3,e1e2,1,", PuzzleVerdict::Record,
         "4k3/8/8/8/8/8/4K3/8 b - - id \"t10\"; rating 1;"},
        {"t11,4k3/8/8/8/8/8/8/4K3 b - -,e1e2,1,", PuzzleVerdict::IllegalMove,
         "4k3/8/8/8/8/8/8/4K3 b - - id \"t11\"; rating 1;"},
        {"t12,k/8 w - - 0 1,a1a2,1,", PuzzleVerdict::IllegalMove,
         "k/8 w - - id \"t12\"; rating 1;"},
        {"t13,4k3/8/8/8/8/8/8/4K3 w - - 0 1,e1e2,1", PuzzleVerdict::TooFewFields, ""},
        {"  ", PuzzleVerdict::Blank, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string record;
        EXPECT_EQ(puzzleRecord(c.line, columns, fields, record), c.verdict);
        if (!c.record.empty()) {
            EXPECT_EQ(record, c.record);
        }
    }
}

}  // namespace
}  // namespace vestrel
