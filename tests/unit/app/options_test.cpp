#include "app/options.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

OptionResult parse(std::initializer_list<std::string_view> args, RunSettings& settings) {
    return parseArguments(std::vector<std::string_view>(args), settings);
}

TEST(ParseArguments, RejectsWithTheWholeArgument) {
    struct Case {
        std::string_view argument;
        OptionVerdict verdict;
    };
    const Case cases[] = {
        {"/hcx", OptionVerdict::Illegal},
        {"/xyz", OptionVerdict::Unknown},
        {"/x", OptionVerdict::Unknown},
        {"/P", OptionVerdict::Unknown},
        {"/T", OptionVerdict::Unknown},
        {"/U", OptionVerdict::Unknown},
        {"/", OptionVerdict::Unknown},
        {"/p=", OptionVerdict::Illegal},
        {"/p+-3", OptionVerdict::Illegal},
        {"/p3-x", OptionVerdict::Illegal},
        {"/p99999999999", OptionVerdict::Illegal},
        {"/m~-", OptionVerdict::Illegal},
        {"/c+x", OptionVerdict::Illegal},
        {"/cx", OptionVerdict::Illegal},
        {"/h+", OptionVerdict::Illegal},
        {"/hEvent", OptionVerdict::Illegal},
        {"/u:0", OptionVerdict::Illegal},
        {"/u:x", OptionVerdict::Illegal},
        {"/u:", OptionVerdict::Illegal},
        {"/u:-1", OptionVerdict::Illegal},
        {"/u:inf", OptionVerdict::Illegal},
        {"/u:1e999", OptionVerdict::Illegal},
        {"/u:nan", OptionVerdict::Illegal},
        {"/t5:00", OptionVerdict::Illegal},
        {"/t=", OptionVerdict::Illegal},
        {"/t@@", OptionVerdict::Illegal},
        {"/t05:00-5:00", OptionVerdict::Illegal},
        {"/@Z3", OptionVerdict::Illegal},
        {"/@C+x", OptionVerdict::Illegal},
        {"/@=", OptionVerdict::Illegal},
        {"/qC3/Z/", OptionVerdict::Illegal},
        {"/@C99999999999", OptionVerdict::Illegal},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        OptionResult r = parse({"in.epd", c.argument, "/P"}, settings);
        EXPECT_EQ(r.verdict, c.verdict) << c.argument;
        EXPECT_EQ(r.argument, c.argument);
    }
}

TEST(ParseArguments, StoresRanges) {
    struct Case {
        std::string_view argument;
        RangeKind kind;
        int x, z;
    };
    const Case cases[] = {
        {"/p3-", RangeKind::FromTo, 3, 999}, {"/p-3", RangeKind::Less, 3, 0},
        {"/p~0", RangeKind::Unequal, 0, 0},  {"/p=3", RangeKind::Exact, 3, 0},
        {"/p+5", RangeKind::More, 5, 0},     {"/p2-4", RangeKind::FromTo, 2, 4},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        EXPECT_EQ(settings.pieceRange.kind, c.kind) << c.argument;
        EXPECT_EQ(settings.pieceRange.x, c.x) << c.argument;
        if (c.kind == RangeKind::FromTo) {
            EXPECT_EQ(settings.pieceRange.z, c.z) << c.argument;
        }
        EXPECT_FALSE(settings.legalityTest);
    }
    RunSettings plain;
    parse({"/p", "/m"}, plain);
    EXPECT_TRUE(plain.legalityTest);
    EXPECT_EQ(plain.pieceRange.kind, RangeKind::None);
    EXPECT_EQ(plain.mateRange.kind, RangeKind::Unequal);
    EXPECT_EQ(plain.mateRange.x, 0);
}

TEST(ParseArguments, StoresTimes) {
    struct Case {
        std::string_view argument;
        TimeMode mode;
        bool secondTime;
        std::string_view lower, upper;
    };
    const Case cases[] = {
        {"/t", TimeMode::FromTo, false, "00:00", "99:99"},
        {"/t@", TimeMode::FromTo, true, "00:00", "99:99"},
        {"/t05:00-", TimeMode::FromTo, false, "05:00", "99:99"},
        {"/t05:00", TimeMode::FromTo, false, "05:00", "05:00"},
        {"/t+05:00@", TimeMode::More, true, "05:00", "99:99"},
        {"/t-01:00", TimeMode::Less, false, "00:00", "01:00"},
        {"/t~01:00", TimeMode::Unequal, false, "01:00", "99:99"},
        {"/t=01:00-02:00", TimeMode::FromTo, false, "01:00", "02:00"},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        EXPECT_TRUE(settings.time.active);
        EXPECT_EQ(settings.time.mode, c.mode) << c.argument;
        EXPECT_EQ(settings.time.secondTime, c.secondTime) << c.argument;
        EXPECT_EQ(settings.time.lower, c.lower) << c.argument;
        EXPECT_EQ(settings.time.upper, c.upper) << c.argument;
    }
}

TEST(ParseArguments, StoresDatabaseModesAndStems) {
    struct Case {
        std::string_view argument;
        DatabaseMode mode;
        std::string_view stem;
    };
    const Case cases[] = {
        {"/u", DatabaseMode::Compare, "Vandrelo"},
        {"/ufoo", DatabaseMode::Compare, "foo"},
        {"/u=foo.epd", DatabaseMode::Compare, "foo"},
        {"/u+", DatabaseMode::Update, "Vandrelo"},
        {"/u-bar", DatabaseMode::Sort, "bar"},
        {"/u+Mine.EPD", DatabaseMode::Update, "Mine"},
        {"/u:1.5", DatabaseMode::TimeUpdate, "Vandrelo"},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        EXPECT_EQ(settings.databaseMode, c.mode) << c.argument;
        EXPECT_EQ(settings.databaseStem, c.stem) << c.argument;
    }
    RunSettings factor;
    parse({"/u-bar", "/u:.5"}, factor);
    EXPECT_EQ(factor.databaseStem, "bar");
    EXPECT_DOUBLE_EQ(factor.timeFactor, 0.5);
}

TEST(ParseArguments, LastSettingWinsAndFileNamesAreNotOptions) {
    RunSettings settings;
    ASSERT_EQ(parse({"a.epd", "/fx", "-f", "/Fy,z", "/0x", "/hc", "/xy", "/h"}, settings).verdict,
              OptionVerdict::Ok);
    EXPECT_EQ(settings.inputFiles, (std::vector<std::string>{"a.epd", "-f"}));
    EXPECT_EQ(settings.find.match, ListMatch::All);
    EXPECT_EQ(settings.find.items, (std::vector<std::string>{"y", "z"}));
    EXPECT_TRUE(settings.noOutput && settings.hashCount && settings.mirrorTest);
    EXPECT_EQ(settings.headerTagMode, HeaderTagMode::UseListed);
    EXPECT_EQ(settings.headerTags, (std::vector<std::string>{"Event", "Site", "Date", "Round",
                                                             "White", "Black", "Result"}));
    EXPECT_EQ(settings.append, OpcodeChoice::All);

    RunSettings emptied;
    parse({"/a", "/@", "/qC", "/h-Event", "/fx", "/f", "/dx", "/d", "/ra=b", "/r"}, emptied);
    EXPECT_EQ(emptied.append, OpcodeChoice::None);
    ASSERT_EQ(emptied.params.mode, ParamsMode::Terms);
    ASSERT_EQ(emptied.params.terms.size(), 1u);
    EXPECT_EQ(emptied.params.terms[0].letter, 'C');
    EXPECT_EQ(emptied.headerTagMode, HeaderTagMode::IgnoreListed);
    EXPECT_EQ(emptied.headerTags, (std::vector<std::string>{"Event"}));
    EXPECT_TRUE(emptied.find.items.empty());
    EXPECT_TRUE(emptied.deleteNames.empty());
    EXPECT_TRUE(emptied.replacements.empty());
    RunSettings presence;
    parse({"/@", "/a;"}, presence);
    EXPECT_EQ(presence.params.mode, ParamsMode::Present);
    EXPECT_EQ(presence.append, OpcodeChoice::All);
}

TEST(ParseArguments, WordsIsALongOptionOnlyWhenWrittenWhole) {
    RunSettings settings;
    ASSERT_EQ(parse({"a.pgn", "--words"}, settings).verdict, OptionVerdict::Ok);
    EXPECT_TRUE(settings.words);
    EXPECT_EQ(settings.inputFiles, std::vector<std::string>{"a.pgn"});
    RunSettings other;
    ASSERT_EQ(parse({"--Words", "-words"}, other).verdict, OptionVerdict::Ok);
    EXPECT_FALSE(other.words);
    EXPECT_EQ(other.inputFiles, (std::vector<std::string>{"--Words", "-words"}));
}

// Every file name counts, in order; "-" (standard input) once; --type gives its type.
TEST(ParseArguments, KeepsEveryInputFileAndTheTypeOfStandardInput) {
    struct Case {
        std::vector<std::string_view> arguments;
        OptionVerdict verdict;
        std::vector<std::string> files;
        InputType type;
    };
    const Case cases[] = {
        {{"a.epd", "/xy", "b.pgn", "a.epd"},
         OptionVerdict::Ok,
         {"a.epd", "b.pgn", "a.epd"},
         InputType::Epd},
        {{"-", "--type=pgn", "c.fen"}, OptionVerdict::Ok, {"-", "c.fen"}, InputType::Pgn},
        {{"--type=fen", "--type=epd"}, OptionVerdict::Ok, {}, InputType::Epd},
        {{"--type=fen"}, OptionVerdict::Ok, {}, InputType::Fen},
        {{"-", "a.epd", "-"}, OptionVerdict::Illegal, {"-", "a.epd"}, InputType::Epd},
        {{"--type=PGN"}, OptionVerdict::Illegal, {}, InputType::Epd},
        {{"--type"}, OptionVerdict::Illegal, {}, InputType::Epd},
        {{"--types=pgn"}, OptionVerdict::Illegal, {}, InputType::Epd},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        const OptionResult result = parseArguments(c.arguments, settings);
        SCOPED_TRACE(result.argument);
        EXPECT_EQ(result.verdict, c.verdict);
        EXPECT_EQ(settings.inputFiles, c.files);
        EXPECT_EQ(settings.standardInputType, c.type);
    }
}

TEST(ParseArguments, CutsFindAndSkipListsAtCommas) {
    struct Case {
        std::string_view argument;
        ListMatch match;
        std::vector<std::string> items;  // a final comma is supplied when missing
    };
    const Case cases[] = {
        {"/fa", ListMatch::Any, {"a"}},
        {"/fa,", ListMatch::Any, {"a"}},
        {"/f,", ListMatch::Any, {""}},
        {"/F,,", ListMatch::All, {"", ""}},
        {"/Fa,,b", ListMatch::All, {"a", "", "b"}},
        {"/fa,b,,", ListMatch::Any, {"a", "b", ""}},
        {"/fbm #2,bm #3", ListMatch::Any, {"bm #2", "bm #3"}},
        {"/f w = b ", ListMatch::Any, {" w = b "}},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        EXPECT_EQ(settings.find.match, c.match) << c.argument;
        EXPECT_EQ(settings.find.items, c.items) << c.argument;
        std::string skipArgument(c.argument);
        skipArgument[1] = c.argument[1] == 'f' ? 's' : 'S';
        RunSettings skip;
        parse({skipArgument}, skip);
        EXPECT_EQ(skip.skip.match, c.match) << skipArgument;
        EXPECT_EQ(skip.skip.items, c.items) << skipArgument;
    }
}

TEST(ParseArguments, SplitsReplacementsAtTheirFirstEquals) {
    struct Case {
        std::string_view argument;
        std::vector<std::pair<std::string, std::string>> pairs;
    };
    const Case cases[] = {
        {"/rdm=ce", {{"dm", "ce"}}},
        {"/r;", {{";", ""}}},
        {"/R=x", {{"", "x"}}},
        {"/ra=b=c", {{"a", "b=c"}}},
        {"/ra=,b=c", {{"a", ""}, {"b", "c"}}},
        {"/ra,", {{"a", ""}}},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        ASSERT_EQ(settings.replacements.size(), c.pairs.size()) << c.argument;
        for (std::size_t i = 0; i < c.pairs.size(); ++i) {
            EXPECT_EQ(settings.replacements[i].from, c.pairs[i].first) << c.argument;
            EXPECT_EQ(settings.replacements[i].to, c.pairs[i].second) << c.argument;
        }
    }
}

TEST(ParseArguments, ReadsOpcodeNamesWithSpacesAsCommas) {
    struct Case {
        std::string_view operand;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"id", {"id"}},
        {"bm id", {"bm", "id"}},
        {"bm,id", {"bm", "id"}},
        {"  bm id\t\r", {"bm", "id"}},
        {"bm,,id", {"bm", "", "id"}},
        {"bm, id", {"bm", "", "id"}},
        {"bm,", {"bm", ""}},
        {" ", {""}},
        {"c0 c0", {"c0", "c0"}},
    };
    for (const Case& c : cases) {
        const std::string append = "/a" + std::string(c.operand);
        const std::string remove = "/d" + std::string(c.operand);
        RunSettings settings;
        ASSERT_EQ(parse({append, remove}, settings).verdict, OptionVerdict::Ok) << c.operand;
        EXPECT_EQ(settings.append, OpcodeChoice::Listed) << c.operand;
        EXPECT_EQ(settings.appendNames, c.names) << c.operand;
        EXPECT_EQ(settings.deleteNames, c.names) << c.operand;
    }
}

}  // namespace
}  // namespace vestrel
