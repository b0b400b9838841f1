#include "input/stipulation_phrase.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

struct Case {
    std::string_view text;
    PhraseFit fit;
    std::string_view mateInfo;  // "" when the fit is None
};

void expectReadings(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string mateInfo = "untouched";
        std::string work;
        EXPECT_EQ(readStipulationPhrase(c.text, mateInfo, work), c.fit);
        if (c.fit != PhraseFit::None) {
            EXPECT_EQ(mateInfo, c.mateInfo);
        }
    }
}

constexpr PhraseFit kWhole = PhraseFit::Whole;
constexpr PhraseFit kPart = PhraseFit::Part;
constexpr PhraseFit kNone = PhraseFit::None;

TEST(ReadStipulationPhrase, EnglishPhrases) {
    expectReadings({
        {"Mate in 2", kWhole, "#2"},
        {"Mate in two", kWhole, "#2"},
        {"mate in TWENTY moves", kWhole, "#20"},
        {"Mate in one move", kWhole, "#1"},
        {"White to play and mate in two", kWhole, "#2"},
        {"Black to move and mate in 3", kWhole, "#3"},
        {"White to Move. Mate in Two.", kWhole, "#2"},
        {"White mates in 2", kWhole, "#2"},
        {"White plays and mates in three moves", kWhole, "#3"},
        {"Checkmate in 4", kWhole, "#4"},
        {"Check-mate in 4", kWhole, "#4"},
        {"Helpmate in 2", kWhole, "h#2"},
        {"Help-mate in two", kWhole, "h#2"},
        {"Selfmate in 5", kWhole, "s#5"},
        {"Self-mate in seven", kWhole, "s#7"},
        {"Reflexmate in 4", kWhole, "r#4"},
        {"Stalemate in 3", kWhole, "=3"},
        {"Help-stalemate in 2", kWhole, "h=2"},
        {"Selfmate 3", kWhole, "s#3"},
        {"Mate in 299", kWhole, "#299"},
    });
}

TEST(ReadStipulationPhrase, GermanPhrasesInLatin1AndUtf8) {
    expectReadings({
        {"Matt in 2", kWhole, "#2"},
        {"Matt in zwei Z\xFCgen", kWhole, "#2"},
        {"Matt in drei Z\xC3\xBCgen", kWhole, "#3"},
        {"MATT IN VIER Z\xDCGEN", kWhole, "#4"},
        {"MATT IN F\xC3\x9CNF Z\xC3\x9CGEN", kWhole, "#5"},
        {"Matt in sechs Zuegen", kWhole, "#6"},
        {"Matt in einem Zug", kWhole, "#1"},
        {"Matt in eins", kWhole, "#1"},
        {"Selbstmatt in 3 Z\xFCgen", kWhole, "s#3"},
        {"Hilfsmatt in zw\xF6lf Z\xFCgen", kWhole, "h#12"},
        {"Hilfs-Matt in elf Z\xC3\xBCgen", kWhole, "h#11"},
        {"Reflexmatt in 4", kWhole, "r#4"},
        {"Schachmatt in 1", kWhole, "#1"},
        {"Hilfspatt in 3", kWhole, "h=3"},
        {"Wei\xDF zieht und setzt in drei Z\xFCgen matt", kWhole, "#3"},
        {"Wei\xC3\x9F setzt in zwanzig Z\xC3\xBCgen matt", kWhole, "#20"},
        {"Schwarz zieht und setzt matt in 2", kWhole, "#2"},
        {"Wei\xDF am Zug setzt matt in 2", kWhole, "#2"},
    });
}

TEST(ReadStipulationPhrase, FrenchPhrases) {
    expectReadings({
        {"Mat en deux coups", kWhole, "#2"},
        {"Mat en 3 coups", kWhole, "#3"},
        {"mat en un coup", kWhole, "#1"},
        {"Mat en dix-sept coups", kWhole, "#17"},
        {"Mat en dix huit coups", kWhole, "#18"},
        {"Mat en dix coups", kWhole, "#10"},
        {"Les Blancs jouent et font mat en trois coups", kWhole, "#3"},
        {"Les blancs jouent et matent en quatre coups", kWhole, "#4"},
        {"Trait aux Blancs, mat en 2", kWhole, "#2"},
        {"Mat aid\xE9 en 2 coups", kWhole, "h#2"},
        {"Mat aid\xC3\xA9 en deux coups", kWhole, "h#2"},
        {"Pat aid\xE9 en 3", kWhole, "h=3"},
        {"Mat inverse en 5 coups", kWhole, "s#5"},
        {"Automat en 3 coups", kWhole, "s#3"},
        {"\xC9"
         "chec et mat en vingt coups",
         kWhole, "#20"},
    });
}

TEST(ReadStipulationPhrase, ShortForms) {
    expectReadings({
        {"#2", kWhole, "#2"},
        {"h#3", kWhole, "h#3"},
        {"H#3", kWhole, "h#3"},
        {"s#12", kWhole, "s#12"},
        {"r#4", kWhole, "r#4"},
        {"=3", kWhole, "=3"},
        {"h=2", kWhole, "h=2"},
        {"2#", kWhole, "#2"},
        {" #2. ", kWhole, "#2"},
        {"#03", kWhole, "#3"},
        {"White to play #2", kWhole, "#2"},
    });
}

TEST(ReadStipulationPhrase, ProblemNumbersAndOtherTextsAreNoStipulation) {
    expectReadings({
        {"#12 Chess: 5334 Problems, Combinations, and Games", kNone, ""},
        {"Weekend quiz #7", kNone, ""},
        {"Quiz, #7", kNone, ""},
        {"Smith #2", kNone, ""},
        {"White to move", kNone, ""},
        {"Mate", kNone, ""},
        {"Mate in", kNone, ""},
        {"Mate in 0", kNone, ""},
        {"Mate in 300", kNone, ""},
        {"Mate in twentyone", kNone, ""},
        {"#0", kNone, ""},
        {"#-2", kNone, ""},
        {"hs#2", kNone, ""},
        {"ser-h#7", kNone, ""},
        {"h#2.5", kNone, ""},
        {"a=5", kNone, ""},
        {"2 mate", kNone, ""},
        {"Pat 2", kNone, ""},
        {"Mate 2", kNone, ""},
        {"Mate in 2 or 3", kNone, ""},
        {"Automatic mate finder", kNone, ""},
        {"Patrick Matthews", kNone, ""},
        {"Mate in two (\xD7)", kWhole, "#2"},
        {"", kNone, ""},
        {"1-0", kNone, ""},
    });
}

TEST(ReadStipulationPhrase, PartsBetweenSeparators) {
    expectReadings({
        {"Problem 12, Mate in 3", kPart, "#3"},
        {"Problem #12, Mate in 3", kPart, "#3"},
        {"Kongress 1990 - Hilfsmatt in 2", kPart, "h#2"},
        {"Kongress 1990 \xE2\x80\x93 Matt in 2", kPart, "#2"},
        {"Mate in 2 (b) Bc5 to e7)", kPart, "#2"},
        {"Quiz 4: h#2", kPart, "h#2"},
        {"Problem 12. Mate in three.", kPart, "#3"},
        {"Quiz 4: 2#", kNone, ""},
    });
}

TEST(ReadStipulationPhrase, LongTitleStillHasItsParts) {
    const std::string title =
        "one two three four five six seven eight nine ten eleven twelve thirteen fourteen "
        "fifteen sixteen seventeen eighteen nineteen twenty twentyone, Mate in 4";
    std::string mateInfo, work;
    EXPECT_EQ(readStipulationPhrase(title, mateInfo, work), PhraseFit::Part);
    EXPECT_EQ(mateInfo, "#4");
}

TEST(StatesStipulation, FindsMarkedBestMoves) {
    struct Check {
        std::string_view opcodes;
        bool states;
    };
    const Check checks[] = {
        {"bm #3;", true},
        {"bm h#2; id \"x\";", true},
        {"id \"x\"; bm s=4;", true},
        {"bm #-2;", true},
        {"bm ?", false},
        {"bm Qe4;", false},
        {"bm #;", false},
        {"dm 3;", false},
        {"0 1;", false},
        {"", false},
        {"xbm #3;", false},
    };
    for (const Check& c : checks) {
        EXPECT_EQ(statesStipulation(c.opcodes), c.states) << c.opcodes;
    }
}

}  // namespace
}  // namespace vestrel
