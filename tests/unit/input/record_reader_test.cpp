#include "input/record_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vestrel {
namespace {

// /h alone: the seven tags of the standard header.
const HeaderTagFilter kSevenTags = {HeaderTagMode::UseListed,
                                    {"Event", "Site", "Date", "Round", "White", "Black", "Result"}};
const ReaderSettings kWords = {.words = true, .headerTags = {}};

// One input line and what the reader makes of it; "" stands for no record.
struct Step {
    std::string_view line, record;
};

void runLines(InputKind input, const ReaderSettings& settings, std::initializer_list<Step> steps) {
    ReaderState state;
    state.input = input;
    std::string record;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.line);
        bool yields = recordFromLine(s.line, settings, state, record);
        EXPECT_EQ(yields, !s.record.empty());
        if (yields) {
            EXPECT_EQ(record, s.record);
        }
    }
}

TEST(RecordFromLine, LineModeCompletesEveryLine) {
    runLines(InputKind::Epd, ReaderSettings{},
             {{"8/8/8/8/8/8/8/K1k5", "8/8/8/8/8/8/8/K1k5 w - -"},
              {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
               "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
              {"% comment", ""},
              {" \t% x", ""},
              {"", ""},
              {" \r\t ", ""},
              {"\t8/8/8/8/8/8/8/K1k5  b\x1a", "8/8/8/8/8/8/8/K1k5 b - -"},
              {"4k3/8/8/8/8/8/8/4K3 w   KQ    - bm  #2;", "4k3/8/8/8/8/8/8/4K3 w  KQ  - bm #2;"},
              {"[Event \"Mate in 2\"]", "[Event \"Mate in 2\"]"}});
}

TEST(RecordFromLine, FindsTwoSpacesAtAnyPlaceOfALongLine) {
    // The search for a pair of spaces reads eight places at a time, so the pair is moved
    // through every place of a line several such steps long.
    const std::string base = "8/8/8/8/8/8/8/K1k5 w - - c0 \"abcdefghijklmnopqrstu\";";
    for (std::size_t at = 1; at < base.size(); ++at) {
        std::string line = base;
        line.insert(at, "  ");
        std::string expected = base;
        expected.insert(at, " ");
        ReaderState state;
        std::string record;
        ASSERT_TRUE(recordFromLine(line, ReaderSettings{}, state, record));
        EXPECT_EQ(record, expected) << at;
    }
}

TEST(RecordFromLine, PgnModeAttachesHeaderMateInfo) {
    runLines(InputKind::Pgn, ReaderSettings{},
             {{"[Event \"Mate in 2\"]", ""},
              {"[Site \"Helpmate in 3\"]", "[Site \"Helpmate in 3\"]"},
              {"[FEN \"8/8/8/8/8/8/8/k1K5 w - - 0 1\"]", "8/8/8/8/8/8/8/k1K5 w - - bm #2"},
              {"[Round \"#5\"]", "[Round \"#5\"]"},
              {"[FEN \"8/8/8/8/8/8/8/k1K5 b\"]", "8/8/8/8/8/8/8/k1K5 b - - bm #2"},
              {"", ""},
              {"1. Kb3 *", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 3 40\"]", "4k3/8/8/8/8/8/8/4K3 w - - 3 40"},
              {"[Event \"Mate in 2\"]", "[Event \"Mate in 2\"]"},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3  w - -\"]", "4k3/8/8/8/8/8/8/4K3 w - - bm ?"},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -   0 1\"]", "4k3/8/8/8/8/8/8/4K3 w - - bm ?"},
              {"  ", ""},
              {"[fen \"4k3/8/8/8/8/8/8/4K3 w - -\"]", ""},
              {"[Event \"x\"] trailing", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -]", " w - -"},
              {"[FEN \"  4k3/8/8/8/8/8/8/4K3 w - -  \" ]", " w - - bm ?"},
              {"", ""},
              {"\t[White \"Selfmate in 4\"] ", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 1 \"]", "4k3/8/8/8/8/8/8/4K3 w - - bm s#4"}});
}

TEST(RecordFromLine, PgnModeTagFilterAndLowerCaseFen) {
    runLines(InputKind::Pgn, {.words = false, .headerTags = kSevenTags},
             {{"[Stipulation \"#2\"]", ""},
              {"[fen \"Mate in 4\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", "4k3/8/8/8/8/8/8/4K3 w - -"},
              {"", ""},
              {"[Stipulation \"#2\"]", ""},
              {"[Event \"h#3\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", "4k3/8/8/8/8/8/8/4K3 w - - bm h#3"}});
}

TEST(RecordFromLine, WordsModeLetsAFenTagWaitForTheEndOfItsHeader) {
    runLines(InputKind::Pgn, kWords,
             {{"[Event \"#12 Chess: 5334 Problems, Combinations\"]", ""},
              {"[White \"Mate in two\"]", ""},
              {"[FEN \"8/8/8/8/8/8/8/k1K5 w - - 0 1\"]", ""},
              {"[Stipulation \"h#3\"]", ""},
              {"", "8/8/8/8/8/8/8/k1K5 w - - bm h#3"},
              {"1. Kb3 *", ""},
              // A whole tag beats a part of an earlier one; the Stipulation tag beats both.
              {"[Event \"Problem 4, Mate in 3\"]", ""},
              {"[Site \"Selbstmatt in 4 Z\xFCgen\"]", ""},
              {"[Round \"Mate in 5\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 b\"]", ""},
              {"*", "4k3/8/8/8/8/8/8/4K3 b - - bm s#4"},
              {"[Event \"Weekend quiz #7\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 3 40\"]", ""},
              {"", "4k3/8/8/8/8/8/8/4K3 w - - 3 40"},
              // A second FEN tag lets the first go with what the tags before it said; the
              // second keeps the header's stipulation and takes what later tags add.
              {"[Event \"Problem 9, Mate in 3\"]", ""},
              {"[FEN \"8/8/8/8/8/8/8/k1K5 w - -\"]", ""},
              {"[FEN \"8/8/8/8/8/8/8/K1k5 w - -\"]", "8/8/8/8/8/8/8/k1K5 w - - bm #3"},
              {"[White \"Mate in two\"]", ""},
              {"", "8/8/8/8/8/8/8/K1k5 w - - bm #2"},
              {"[FEN \"8/8/8/8/8/8/8/K1k5 w - -\"]", ""},
              {"", "8/8/8/8/8/8/8/K1k5 w - -"}});
}

TEST(RecordFromLine, WordsModeKeepsTheTagFilter) {
    runLines(InputKind::Pgn, {.words = true, .headerTags = kSevenTags},
             {{"[Stipulation \"#2\"]", ""},
              {"[White \"Mate in three\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", ""},
              {"", "4k3/8/8/8/8/8/8/4K3 w - - bm #3"}});
    runLines(InputKind::Pgn,
             {.words = true, .headerTags = {HeaderTagMode::IgnoreListed, {"White"}}},
             {{"[White \"Mate in three\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", ""},
              {"", "4k3/8/8/8/8/8/8/4K3 w - -"}});
}

TEST(RecordFromLine, WordsModeReadsTheTextAfterAFenLinePosition) {
    runLines(
        InputKind::Fen, kWords,
        {{"k7/8/1K6/8/8/8/8/7Q w - - 0 1 white mate in 2", "k7/8/1K6/8/8/8/8/7Q w - - bm #2"},
         {"k7/8/1K6/8/8/8/8/7Q w - - Matt in drei Z\xC3\xBCgen", "k7/8/1K6/8/8/8/8/7Q w - - bm #3"},
         {"k7/8/1K6/8/8/8/8/7Q b - - 12; Mat en deux coups", "k7/8/1K6/8/8/8/8/7Q b - - bm #2"},
         {"k7/8/1K6/8/8/8/8/7Q w - - 0 1", "k7/8/1K6/8/8/8/8/7Q w - - 0 1"},
         {"k7/8/1K6/8/8/8/8/7Q w - - 0 1 Smith #2", "k7/8/1K6/8/8/8/8/7Q w - - 0 1 Smith #2"},
         {"k7/8/1K6/8/8/8/8/7Q w - - bm #2;", "k7/8/1K6/8/8/8/8/7Q w - - bm #2;"},
         {"k7/8/1K6/8/8/8/8/7Q", "k7/8/1K6/8/8/8/8/7Q w - -"},
         {"k7/8/1K6/8/8/8/8/7Q w KQ", "k7/8/1K6/8/8/8/8/7Q w KQ"}});
    // The words of an EPD line are its opcodes: they stay as they are.
    runLines(InputKind::Epd, kWords,
             {{"k7/8/1K6/8/8/8/8/7Q w - - 0 1 white mate in 2",
               "k7/8/1K6/8/8/8/8/7Q w - - 0 1 white mate in 2"}});
}

TEST(InputKindOf, FollowsTheEnding) {
    EXPECT_EQ(inputKindOf("a.epd"), InputKind::Epd);
    EXPECT_EQ(inputKindOf("A.FEN"), InputKind::Fen);
    EXPECT_EQ(inputKindOf("dir.x/games.Pgn"), InputKind::Pgn);
    EXPECT_EQ(inputKindOf("epd"), std::nullopt);
    EXPECT_EQ(inputKindOf("a.txt"), std::nullopt);
}

}  // namespace
}  // namespace vestrel
