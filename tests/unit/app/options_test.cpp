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
        char mode, marker;
        std::string_view lower, upper;
    };
    const Case cases[] = {
        {"/t", ' ', ' ', "00:00", "99:99"},        {"/t@", ' ', '@', "00:00", "99:99"},
        {"/t05:00-", ' ', ' ', "05:00", "99:99"},  {"/t05:00", ' ', ' ', "05:00", "05:00"},
        {"/t+05:00@", '+', '@', "05:00", "99:99"}, {"/t-01:00", '-', ' ', "00:00", "01:00"},
        {"/t~01:00", '~', ' ', "01:00", "99:99"},  {"/t=01:00-02:00", ' ', ' ', "01:00", "02:00"},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        ASSERT_EQ(parse({c.argument}, settings).verdict, OptionVerdict::Ok) << c.argument;
        EXPECT_TRUE(settings.time.active);
        EXPECT_EQ(settings.time.mode, c.mode) << c.argument;
        EXPECT_EQ(settings.time.marker, c.marker) << c.argument;
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
    EXPECT_EQ(settings.inputFile, "-f");
    EXPECT_EQ(settings.findList, "+y,z");
    EXPECT_EQ(settings.findItems, (std::vector<std::string>{"y", "z"}));
    EXPECT_TRUE(settings.noOutput && settings.hashCount && settings.mirrorTest);
    EXPECT_EQ(settings.headerTagMode, HeaderTagMode::UseListed);
    EXPECT_EQ(settings.headerTagList, ",Event,Site,Date,Round,White,Black,Result,");
    EXPECT_EQ(settings.appendList, ";");

    RunSettings emptied;
    parse({"/a", "/@", "/qC", "/h-Event"}, emptied);
    EXPECT_EQ(emptied.appendList, "");
    EXPECT_EQ(emptied.params, "C/");
    EXPECT_EQ(emptied.headerTagMode, HeaderTagMode::IgnoreListed);
    RunSettings presence;
    parse({"/@"}, presence);
    EXPECT_EQ(presence.params, "@");
}

}  // namespace
}  // namespace vestrel
