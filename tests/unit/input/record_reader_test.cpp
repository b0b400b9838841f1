#include "input/record_reader.h"

#include <gtest/gtest.h>

#include "../parsed_settings.h"

namespace vestrel {
namespace {

// One input line and what the reader makes of it; "" stands for no record.
struct Step {
    std::string_view line, record;
};

void runLines(bool pgnMode, const RunSettings& settings, std::initializer_list<Step> steps) {
    ReaderState state;
    state.pgnMode = pgnMode;
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
    runLines(false, RunSettings{},
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
        ASSERT_TRUE(recordFromLine(line, RunSettings{}, state, record));
        EXPECT_EQ(record, expected) << at;
    }
}

TEST(RecordFromLine, PgnModeAttachesHeaderMateInfo) {
    runLines(true, RunSettings{},
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
    const RunSettings settings = parsedSettings({"/h"});
    runLines(true, settings,
             {{"[Stipulation \"#2\"]", ""},
              {"[fen \"Mate in 4\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", "4k3/8/8/8/8/8/8/4K3 w - -"},
              {"", ""},
              {"[Stipulation \"#2\"]", ""},
              {"[Event \"h#3\"]", ""},
              {"[FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", "4k3/8/8/8/8/8/8/4K3 w - - bm h#3"}});
}

}  // namespace
}  // namespace vestrel
