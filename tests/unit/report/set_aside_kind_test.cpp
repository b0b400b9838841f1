#include "report/set_aside_kind.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "filter/marking.h"
#include "solver/verify.h"

namespace vestrel {
namespace {

// A board as written: row 0 is rank 8, column 0 file a.
using Grid = std::array<std::array<char, 8>, 8>;

Grid readPlacement(std::string_view placement) {
    Grid grid{};
    int row = 0;
    int column = 0;
    for (char c : placement) {
        if (c == '/') {
            ++row;
            column = 0;
        } else if (c >= '1' && c <= '8') {
            for (int k = 0; k < c - '0'; ++k) grid[row][column++] = 0;
        } else {
            grid[row][column++] = c;
        }
    }
    return grid;
}

std::string writePlacement(const Grid& grid) {
    std::string out;
    for (int row = 0; row < 8; ++row) {
        if (row > 0) out.push_back('/');
        int run = 0;
        for (int column = 0; column < 8; ++column) {
            if (grid[row][column] == 0) {
                ++run;
                continue;
            }
            if (run > 0) out.push_back(char('0' + run));
            run = 0;
            out.push_back(grid[row][column]);
        }
        if (run > 0) out.push_back(char('0' + run));
    }
    return out;
}

// Moves every piece from (file, rank) to where the motion takes it; files and ranks from 0,
// rank 0 being the first rank.
using Motion = std::function<std::array<int, 2>(int file, int rank)>;

std::string moved(std::string_view placement, const Motion& motion, bool swapColours) {
    const Grid from = readPlacement(placement);
    Grid to{};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            char piece = from[row][column];
            if (piece == 0) continue;
            if (swapColours) piece = char(piece ^ 0x20);
            const auto [file, rank] = motion(column, 7 - row);
            to[7 - rank][file] = piece;
        }
    }
    return writePlacement(to);
}

// The verdict the marking step writes for a record, or "" when it passes.
std::string markedTag(const MarkSettings& settings, Marking& marking, const std::string& fields) {
    PendingRecord record;
    record.split.positionFields = fields;
    record.split.opcodeText = "bm #2;";
    prepareMark(record, settings, marking);
    BufferedWriter log;  // no file: the log line goes nowhere
    return markRecord(record, settings, marking, log) == MarkVerdict::Marked ? marking.tag : "";
}

// Each kind's words, checked against the geometry: the record made from an earlier one by the
// motion the words describe is set aside under that kind, and its earlier key leads back.
TEST(SetAsideKind, WordsDescribeWhatTheMirrorTestFinds) {
    struct Case {
        std::string_view words;
        Motion motion;
        bool pawns;  // the earlier position has pawns: the top-bottom images swap colours
        std::string_view word;
    };
    const Case cases[] = {
        {"the same position",
         [](int f, int r) {
             return std::array{f, r};
         },
         false, "duplicate"},
        {"the same position mirrored left to right (files a and h exchanged)",
         [](int f, int r) {
             return std::array{7 - f, r};
         },
         false, "mirror-x"},
        {"the same position mirrored top to bottom (ranks 1 and 8 exchanged)",
         [](int f, int r) {
             return std::array{f, 7 - r};
         },
         false, "mirror-y"},
        {"the same position turned 180&#176;",
         [](int f, int r) {
             return std::array{7 - f, 7 - r};
         },
         false, "mirror-xy"},
        {"the same position reflected in the a1-h8 diagonal",
         [](int f, int r) {
             return std::array{r, f};
         },
         false, "mirror-d"},
        {"the same position turned 90&#176; clockwise",  // a8 to h8, h8 to h1
         [](int f, int r) {
             return std::array{r, 7 - f};
         },
         false, "mirror-dx"},
        {"the same position turned 90&#176; anticlockwise",  // a8 to a1, a1 to h1
         [](int f, int r) {
             return std::array{7 - r, f};
         },
         false, "mirror-dy"},
        {"the same position reflected in the a8-h1 diagonal",
         [](int f, int r) {
             return std::array{7 - r, 7 - f};
         },
         false, "mirror-dxy"},
        {"the same position mirrored left to right (files a and h exchanged)",
         [](int f, int r) {
             return std::array{7 - f, r};
         },
         true, "mirror-x"},
        {"the same position mirrored top to bottom with the colours exchanged (ranks 1 and 8 "
         "exchanged, the other side to move)",
         [](int f, int r) {
             return std::array{f, 7 - r};
         },
         true, "mirror-y"},
        {"the same position turned 180&#176; with the colours exchanged (the other side to move)",
         [](int f, int r) {
             return std::array{7 - f, 7 - r};
         },
         true, "mirror-xy"},
    };
    const MarkSettings settings;
    SeenPolicy mirrorTest;  // /xy
    mirrorTest.mirrorTest = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        const std::string placement =
            c.pawns ? "k7/8/2n5/8/4P3/5B2/p7/1Q5K" : "k7/8/2n5/8/8/5B2/8/1Q5K";
        const bool swap = c.pawns && c.word.find('y') != std::string_view::npos;
        const std::string earlier = placement + " w - -";
        const std::string record = moved(placement, c.motion, swap) + (swap ? " b - -" : " w - -");
        Marking marking;
        marking.seen = SeenSet(mirrorTest);
        ASSERT_EQ(markedTag(settings, marking, earlier), "");
        ASSERT_EQ(markedTag(settings, marking, record), c.word);
        const SetAsideKind kind = kindOfWord(c.word);
        EXPECT_EQ(kindInWords(kind, c.pawns), c.words);
        std::string key;
        ASSERT_TRUE(earlierKey(kind, record + " bm #", key));
        EXPECT_EQ(key, earlier + " bm #");
    }
}

// --canonical: a pawnless record whose colour-reversed twin (or an image of the twin) repeats
// an earlier record. The words name the motion from the earlier record to this one; every
// twin also exchanges White and Black and the side to move.
TEST(SetAsideKind, WordsDescribeWhatTheTwinTestFinds) {
    struct Case {
        std::string_view words;
        Motion motion;
        std::string_view word;
    };
    constexpr std::string_view kSwap = " with White and Black exchanged and the other side to move";
    const Case cases[] = {
        {"the same position turned top to bottom (ranks 1 and 8 exchanged)",
         [](int f, int r) {
             return std::array{f, 7 - r};
         },
         "mirror-c"},
        {"the same position turned 180&#176;",
         [](int f, int r) {
             return std::array{7 - f, 7 - r};
         },
         "mirror-cx"},
        {"the same position",
         [](int f, int r) {
             return std::array{f, r};
         },
         "mirror-cy"},
        {"the same position mirrored left to right (files a and h exchanged)",
         [](int f, int r) {
             return std::array{7 - f, r};
         },
         "mirror-cxy"},
        {"the same position turned 90&#176; clockwise",
         [](int f, int r) {
             return std::array{r, 7 - f};
         },
         "mirror-cd"},
        {"the same position reflected in the a1-h8 diagonal",
         [](int f, int r) {
             return std::array{r, f};
         },
         "mirror-cdx"},
        {"the same position reflected in the a8-h1 diagonal",
         [](int f, int r) {
             return std::array{7 - r, 7 - f};
         },
         "mirror-cdy"},
        {"the same position turned 90&#176; anticlockwise",
         [](int f, int r) {
             return std::array{7 - r, f};
         },
         "mirror-cdxy"},
    };
    MarkSettings settings;  // --canonical
    settings.canonicalKeys = true;
    SeenPolicy mirrorTest;  // /xy
    mirrorTest.mirrorTest = true;
    const std::string placement = "k7/8/2n5/8/8/5B2/8/1Q5K";
    const std::string earlier = placement + " w - -";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const std::string record = moved(placement, c.motion, true) + " b - -";
        Marking marking;
        marking.seen = SeenSet(mirrorTest);
        ASSERT_EQ(markedTag(settings, marking, earlier), "");
        ASSERT_EQ(markedTag(settings, marking, record), c.word);
        const SetAsideKind kind = kindOfWord(c.word);
        ASSERT_TRUE(repeatsEarlier(kind));
        std::string words(c.words);
        if (c.word == "mirror-cy") {
            words.append(
                " with White and Black exchanged on the same squares and the other side "
                "to move");
        } else {
            words.append(kSwap);
        }
        EXPECT_EQ(kindInWords(kind, false), words);
        std::string key;
        ASSERT_TRUE(earlierKey(kind, record + " bm #", key));
        EXPECT_EQ(key, earlier + " bm #");
    }
}

// The marking step keeps the id text as the log writes it, reason and all.
TEST(SetAsideKind, KeepsTheLegalityReasonOfTheLog) {
    MarkSettings settings;  // --legal
    settings.fullLegalityTest = true;
    Marking marking;
    marking.seen = SeenSet(SeenPolicy{});
    EXPECT_EQ(markedTag(settings, marking, "4k3/8/8/8/8/8/8/4R1K1 w - -"),
              "illegal: opposite check");
    EXPECT_EQ(markedTag(settings, marking, "k7/8/8/8/8/8/8/K1K5 w - -"), "illegal: piece count");
}

TEST(SetAsideKind, ReadsTheVerdictWordOfAnyIdText) {
    struct Case {
        std::string_view tag, word, detail;
        SetAsideKind kind;
    };
    const Case cases[] = {
        {"duplicate", "duplicate", "", SetAsideKind::Duplicate},
        {"mirror-dxy", "mirror-dxy", "", SetAsideKind::MirrorDXY},
        {"illegal", "illegal", "", SetAsideKind::Illegal},
        {"illegal: the side not to move is in check", "illegal", "the side not to move is in check",
         SetAsideKind::Illegal},
        {"mirror-cdxy", "mirror-cdxy", "", SetAsideKind::MirrorCDXY},
        {"cooked: Qh8#, Qb7#", "cooked", "Qh8#, Qb7#", SetAsideKind::Cooked},
        {"short: #1 Ra8#", "short", "#1 Ra8#", SetAsideKind::Short},
        {"unsound", "unsound", "", SetAsideKind::Unsound},
        {"unchecked: illegal: opposite check", "unchecked", "illegal: opposite check",
         SetAsideKind::Unchecked},
        {"sound", "sound", "", SetAsideKind::Other},
        {"mirror-z", "mirror-z", "", SetAsideKind::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(verdictWord(c.tag), c.word);
        EXPECT_EQ(verdictDetail(c.tag), c.detail);
        EXPECT_EQ(kindOfWord(verdictWord(c.tag)), c.kind);
    }
    EXPECT_EQ(kindHeading(SetAsideKind::Other, "cooked"), "Cooked");
    // The report counts the solver's verdicts by these words, in the solver's order.
    for (int v = 0; v < kVerdictKinds; ++v) {
        EXPECT_EQ(kVerdictWords[std::size_t(v)], verdictName(Verdict(v)));
        EXPECT_EQ(isVerdict(kindOfWord(verdictName(Verdict(v)))), v != 0);
    }
    EXPECT_EQ(kindHeading(SetAsideKind::Other, "<b>"), "&lt;b&gt;");
}

}  // namespace
}  // namespace vestrel
