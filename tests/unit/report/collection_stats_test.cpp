#include "report/collection_stats.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vestrel {
namespace {

TEST(StipulationCode, ReadsTheStipulationAfterBm) {
    struct Case {
        std::string_view opcodes, text;
    };
    const Case cases[] = {
        {"bm #2; 00:04;", "#2"},
        {"bm h#3;", "h#3"},
        {"bm s#12; id \"x\";", "s#12"},
        {"bm =2;", "=2"},
        {"bm hs#999;", "hs#999"},
        {"dm 3; bm #3;", "#3"},
        {"bm #", "other bm"},       // no move count
        {"bm #1234;", "other bm"},  // more moves than the plot tells apart
        {"bm Qh5#;", "other bm"},
        {"bm abcde#2;", "other bm"},  // five genre letters
        {"dm 2; id \"bm #2\";", "no bm"},
        {"", "no bm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        EXPECT_EQ(stipulationText(stipulationCode(c.opcodes)), c.text);
    }
}

// The text after "bm " packed as rawStipulation keeps it: its bytes from the lowest up, the
// top bit set.
std::uint64_t packed(std::string_view text) {
    std::uint64_t raw = std::uint64_t{1} << 63;
    for (std::size_t i = 0; i < text.size(); ++i)
        raw |= std::uint64_t(std::uint8_t(text[i])) << (8 * i);
    return raw;
}

// Every length up to the ninth byte, the text ending at ";", a blank or the end, near the end of
// the opcode text and far from it.
TEST(RawStipulation, KeepsUpToEightBytesAfterBm) {
    struct Case {
        std::string_view opcodes;
        std::uint64_t raw;
    };
    const Case cases[] = {
        {"bm h#2; 00:04; id \"x\";", packed("h#2")},
        {"bm #2", packed("#2")},
        {"bm ;", packed("")},
        {"bm ", packed("")},
        {"bm 1234567;", packed("1234567")},
        {"bm 12345678", packed("12345678")},
        {"bm 12345678;", packed("12345678")},
        {"bm 12345678 id \"x\";", packed("12345678")},
        {"bm 123456789", kRawLong},
        {"bm 123456789; id \"x\";", kRawLong},
        {"bm 1234567\xF1; id \"x\";", packed("1234567\xF1")},
        {"bm \xF1#2; id \"x\";", packed("\xF1#2")},
        {"id \"x\"; bm s#12 dm 12;", packed("s#12")},
        {"dm 3; bm #3", packed("#3")},
        {"dm 3;", kRawNoBm},
        {"xbm #2; id \"x\";", kRawNoBm},
        {"", kRawNoBm},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        EXPECT_EQ(rawStipulation(c.opcodes), c.raw);
    }
}

TEST(SortedStipulations, OrdersByGenreMarkAndMovesWithTheRestLast) {
    CollectionStats stats;
    for (std::string_view opcodes : {"bm h#2;", "bm #10;", "", "bm #2;", "bm =3;", "bm Qh5#;",
                                     "bm #2;", "bm s#3;", "bm h#2;", "bm #3;"}) {
        countRecord(stats, "k7/8/8/8/8/8/8/1Q5K w - -", opcodes);
    }
    std::vector<std::string> order;
    std::vector<std::int64_t> counts;
    for (const auto& [code, count] : sortedStipulations(stats)) {
        order.push_back(stipulationText(code));
        counts.push_back(count);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"#2", "#3", "#10", "=3", "h#2", "s#3", "other bm",
                                               "no bm"}));
    EXPECT_EQ(counts, (std::vector<std::int64_t>{2, 1, 1, 1, 2, 1, 1, 1}));
    EXPECT_EQ(stats.records, 10);
    EXPECT_EQ(stats.pieces[3], 10);
}

TEST(CountRecord, CountsTheRareStipulationsOfAHugeCollectionAsOther) {
    CollectionStats stats;
    for (int moves = 1; moves <= 400; ++moves) {
        countRecord(stats, "8/8/8/8/8/8/8/8 w - -", "bm #" + std::to_string(moves) + ";");
    }
    std::int64_t total = 0;
    std::int64_t other = 0;
    for (const auto& [code, count] : sortedStipulations(stats)) {
        total += count;
        if (stipulationText(code) == "other bm") other = count;
    }
    EXPECT_EQ(total, 400);
    EXPECT_GT(other, 0);
}

TEST(TimeClass, SortsTheFirstRecordedTime) {
    struct Case {
        std::string_view opcodes;
        TimeClass time;
    };
    const Case cases[] = {
        {"bm #2; 00:04; 00:02 @ C2/;", TimeClass::Seconds},
        {"bm #2; 00:10;", TimeClass::TenSeconds},
        {"bm #2; 01:20; 00:40;", TimeClass::Minutes},
        {"bm #2; 59:59;", TimeClass::TenMinutes},
        {"bm #2; 01:00:00;", TimeClass::Hours},
        {"bm #2; 75:00;", TimeClass::Hours},
        {"bm h#2; --:--;", TimeClass::Unsolved},
        {"bm #2; id \"x\";", TimeClass::None},
        {"bm #2; a:b;", TimeClass::None},
        {"bm a:b; 00:04;", TimeClass::None},  // the first colon decides
        {"bm #2; 1:23:45;", TimeClass::None},
        {"bm #2;00:04;", TimeClass::Seconds},
        {"id \"x\"; bm #2; 02:00;", TimeClass::Minutes},
        {"bm #2; 00:04", TimeClass::Seconds},  // at the very end
        {"bm #2; 00:0", TimeClass::None},
        {"bm #2; 00:", TimeClass::None},
        {"00:59", TimeClass::TenSeconds},
        {"0:59;", TimeClass::None},
        {"1:2", TimeClass::None},
        {"bm #2; 00:04:", TimeClass::Hours},
        {"bm #2; -0:--;", TimeClass::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcodes);
        EXPECT_EQ(timeClass(c.opcodes), c.time);
        // Counting a record finds the same time, by whatever way it looks.
        CollectionStats stats;
        countRecord(stats, "8/8/8/8/8/8/8/K1k5 w - -", c.opcodes);
        EXPECT_EQ(stats.times[std::size_t(c.time)], 1);
    }
}

}  // namespace
}  // namespace vestrel
