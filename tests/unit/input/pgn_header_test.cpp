#include "input/pgn_header.h"

#include <gtest/gtest.h>

#include "../parsed_settings.h"

namespace vestrel {
namespace {

// The mate info of one header line, or "" when it has none.
std::string mateInfoOf(std::string_view line, const RunSettings& settings) {
    std::string mateInfo, work, scratch;
    bool found = examineHeaderLine(line, settings, mateInfo, work, scratch);
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
        EXPECT_EQ(mateInfoOf(line, RunSettings{}), c.mateInfo) << line;
    }
}

TEST(ExamineHeaderLine, FiltersTagsByName) {
    struct Case {
        std::string_view option, line, mateInfo;  // option empty: no /h
    };
    const Case cases[] = {
        {"", "[Stipulation \"#2\"]", "#2"},
        {"/h", "[Stipulation \"#2\"]", ""},
        {"/h", "[Black \"#2\"]", "#2"},
        {"/h+Event", "[Event \"#2\"]", "#2"},
        {"/h+Event", "[event \"#2\"]", ""},
        {"/h+Event", "[Even \"#2\"]", ""},
        {"/h-Event", "[Event \"#2\"]", ""},
        {"/h-Event", "[Site \"#2\"]", "#2"},
        {"/h-Event", "[ Event \"#2\"]", ""},
        {"/h-Event", "[Event\"#2\"]", ""},
        {"", "[ Event \"#2\"]", "#2"},
        // A tag name holding commas names neighbouring tags of the list.
        {"/h+Event,Site", "[Event,Site \"#2\"]", "#2"},
        {"/h+Site,Event", "[Event,Site \"#2\"]", ""},
        {"/h+Event,,Site", "[Event, \"#2\"]", "#2"},
        {"/h+Event", "[Event, \"#2\"]", ""},
        {"/h-Date,Event,Site", "[Event,Site \"#2\"]", ""},
    };
    for (const Case& c : cases) {
        const RunSettings settings =
            c.option.empty() ? RunSettings{} : parsedSettings({std::string(c.option)});
        EXPECT_EQ(mateInfoOf(c.line, settings), c.mateInfo) << c.option << " " << c.line;
    }
}

}  // namespace
}  // namespace vestrel
