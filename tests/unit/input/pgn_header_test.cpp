#include "input/pgn_header.h"

#include <gtest/gtest.h>

#include <string>

namespace vestrel {
namespace {

// The mate info of one header line, or "" when it has none.
std::string mateInfoOf(std::string_view line, const HeaderTagFilter& filter) {
    std::string mateInfo, work, scratch;
    bool found = examineHeaderLine(line, filter, mateInfo, work, scratch);
    EXPECT_EQ(found, !mateInfo.empty()) << line;
    return found ? mateInfo : "";
}

TEST(ExamineHeaderLine, CondensesStipulationWords) {
    struct Case {
        std::string_view value, mateInfo;
    };
    const Case cases[] = {
        {"Mate in 3", "#3"},
        {"Checkmate in 2", "#2"},
        {"Schachmatt in 2", "#2"},
        {"Helpmate in 2", "h#2"},
        {"Help-mate in 2", "h#2"},
        {"Hilfsmatt in 3", "h#3"},
        {"Selfmate in 5", "s#5"},
        {"Selbstmatt in 4", "s#4"},
        {"Reflexmate in 4", "r#4"},
        {"Stalemate in 3", "=3"},
        {"Help-stalemate in 2", "h=2"},
        {"Hilfspatt in 3", "h=3"},
        {"#2", "#2"},
        {"h#3", "h#3"},
        {"2#", "#2"},
        {"Smith #2", "#2"},
        {"White mates in 2", ""},
        {"Mate in 3 moves", "#3"},
        {"mate in 299", "#299"},
        {"Mate in 300", ""},
        {"Mate in 0", ""},
        {"Mate in -2", "#-2"},
        {"#03", "#03"},
        {"#3-1", ""},
        {"#--2", ""},
        {"#-", ""},
        {"#x3", ""},
        {"Problem #12, Mate in 3", "#12"},
        {"a=5", "=5"},
        {"H12#", "#12"},
        {"12#3", "#3"},
        {"Mate in 99999999999", ""},
        {"White to play", ""},
        {"Author #2", "#2"},
        // Words that only form once an earlier row has cut text out of them.
        {"Matschacht 2", "#2"},
        {"Selftalemate 3", "=3"},
    };
    for (const Case& c : cases) {
        std::string line = "[Event \"" + std::string(c.value) + "\"]";
        EXPECT_EQ(mateInfoOf(line, HeaderTagFilter{}), c.mateInfo) << line;
    }
}

TEST(ExamineHeaderLine, FiltersTagsByName) {
    constexpr HeaderTagMode kAll = HeaderTagMode::All;
    constexpr HeaderTagMode kUse = HeaderTagMode::UseListed;
    constexpr HeaderTagMode kIgnore = HeaderTagMode::IgnoreListed;
    struct Case {
        HeaderTagFilter filter;
        std::string_view line, mateInfo;
    };
    const Case cases[] = {
        {{kAll, {}}, "[Stipulation \"#2\"]", "#2"},
        {{kUse, {"Event", "Black"}}, "[Stipulation \"#2\"]", ""},
        {{kUse, {"Event", "Black"}}, "[Black \"#2\"]", "#2"},
        {{kUse, {"Event"}}, "[Event \"#2\"]", "#2"},
        {{kUse, {"Event"}}, "[event \"#2\"]", ""},
        {{kUse, {"Event"}}, "[Even \"#2\"]", ""},
        {{kIgnore, {"Event"}}, "[Event \"#2\"]", ""},
        {{kIgnore, {"Event"}}, "[Site \"#2\"]", "#2"},
        {{kIgnore, {"Event"}}, "[ Event \"#2\"]", ""},
        {{kIgnore, {"Event"}}, "[Event\"#2\"]", ""},
        {{kAll, {}}, "[ Event \"#2\"]", "#2"},
        // A tag name holding commas names neighbouring tags of the list.
        {{kUse, {"Event", "Site"}}, "[Event,Site \"#2\"]", "#2"},
        {{kUse, {"Site", "Event"}}, "[Event,Site \"#2\"]", ""},
        {{kUse, {"Event", "", "Site"}}, "[Event, \"#2\"]", "#2"},
        {{kUse, {"Event"}}, "[Event, \"#2\"]", ""},
        {{kIgnore, {"Date", "Event", "Site"}}, "[Event,Site \"#2\"]", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mateInfoOf(c.line, c.filter), c.mateInfo)
            << static_cast<int>(c.filter.mode) << " " << c.line;
    }
}

}  // namespace
}  // namespace vestrel
