#include "position/mirror.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

struct ImageCase {
    std::string_view key, x, y, xy;
};

void expectImages(const ImageCase& c) {
    SCOPED_TRACE(c.key);
    const std::string key(c.key);  // exact size, so an overread is caught
    MirrorImages images;
    images.fill("left over from an earlier record");
    mirrorImages(key, images);
    EXPECT_EQ(images[0], c.x);
    EXPECT_EQ(images[1], c.y);
    EXPECT_EQ(images[2], c.xy);
}

TEST(MirrorImage, ExchangesColoursOnlyWithPawns) {
    const ImageCase cases[] = {
        {"4k3/8/8/8/8/8/4P3/4K3 w - - bm #", "3k4/8/8/8/8/8/3P4/3K4 w - - bm #",
         "4k3/4p3/8/8/8/8/8/4K3 b - - bm #", "3k4/3p4/8/8/8/8/8/3K4 b - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K b - - bm #", "7k/8/8/8/8/8/8/K5Q1 b - - bm #",
         "1Q5K/8/8/8/8/8/8/k7 b - - bm #", "K5Q1/8/8/8/8/8/8/7k b - - bm #"},
        {"4k3/p7/8/8/8/8/8/4K3 b - - bm h#", "3k4/7p/8/8/8/8/8/3K4 b - - bm h#",
         "4k3/8/8/8/8/8/P7/4K3 w - - bm h#", "3k4/8/8/8/8/8/7P/3K4 w - - bm h#"},
        // The pawn flag looks at the placement only.
        {"k7/8/8/8/8/8/8/K7 b - - bm Pp#", "7k/8/8/8/8/8/8/7K b - - bm Pp#",
         "K7/8/8/8/8/8/8/k7 b - - bm Pp#", "7K/8/8/8/8/8/8/7k b - - bm Pp#"},
        // With pawns any side but "w" hands the move to white.
        {"4k3/8/8/8/8/8/4P3/4K3 - - -", "3k4/8/8/8/8/8/3P4/3K4 - - -",
         "4k3/4p3/8/8/8/8/8/4K3 w - -", "3k4/3p4/8/8/8/8/8/3K4 w - -"},
    };
    for (const ImageCase& c : cases) {
        expectImages(c);
    }
}

TEST(MirrorImage, KeepsCastlingOnlyInTheTopBottomImageWithPawns) {
    const ImageCase cases[] = {
        {"r3k3/p7/8/8/8/8/P7/4K2R w Kq - bm #", "3k3r/7p/8/8/8/8/7P/R2K4 w - - bm #",
         "4k2r/p7/8/8/8/8/P7/R3K3 b Qk - bm #", "r2k4/7p/8/8/8/8/7P/3K3R b - - bm #"},
        {"r3k2r/p7/8/8/8/8/P7/R3K2R b KQkq -", "r2k3r/7p/8/8/8/8/7P/R2K3R b - -",
         "r3k2r/p7/8/8/8/8/P7/R3K2R w KQkq -", "r2k3r/7p/8/8/8/8/7P/R2K3R w - -"},
        {"4k3/p7/8/8/8/8/P7/4K2R w -K -", "3k4/7p/8/8/8/8/7P/R2K4 w - -",
         "4k2r/p7/8/8/8/8/P7/4K3 b - -", "r2k4/7p/8/8/8/8/7P/3K4 b - -"},
        {"r3k3/8/8/8/8/8/8/4K2R w Kq -", "3k3r/8/8/8/8/8/8/R2K4 w - -",
         "4K2R/8/8/8/8/8/8/r3k3 w - -", "R2K4/8/8/8/8/8/8/3k3r w - -"},
    };
    for (const ImageCase& c : cases) {
        expectImages(c);
    }
}

TEST(MirrorImage, MirrorsTheEnPassantSquareWithPawns) {
    const ImageCase cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 bm #", "3k4/8/8/3Pp3/8/8/8/3K4 w - e6 bm #",
         "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 bm #", "3k4/8/8/8/3pP3/8/8/3K4 b - e3 bm #"},
        {"4k3/8/8/8/Pp6/8/8/4K3 b - a3", "3k4/8/8/8/6pP/8/8/3K4 b - h3",
         "4k3/8/8/pP6/8/8/8/4K3 w - a6", "3k4/8/8/6Pp/8/8/8/3K4 w - h6"},
        // Without pawns nothing about the field changes.
        {"k7/8/8/8/8/8/8/K7 w - c6 bm #", "7k/8/8/8/8/8/8/7K w - c6 bm #",
         "K7/8/8/8/8/8/8/k7 w - c6 bm #", "7K/8/8/8/8/8/8/7k w - c6 bm #"},
    };
    for (const ImageCase& c : cases) {
        expectImages(c);
    }
}

TEST(MirrorImage, AlwaysWritesEightRanksExceptForTheRotation) {
    const ImageCase cases[] = {
        {"k7/8 w - - bm #", "7k/8////// w - - bm #", "//////8/k7 w - - bm #", "8/7k w - - bm #"},
        {"k7/8/8/8/8/8/8/1Q5K/R7 b - -", "7k/8/8/8/8/8/8/K5Q1 b - -", "1Q5K/8/8/8/8/8/8/k7 b - -",
         "7R/K5Q1/8/8/8/8/8/8/7k b - -"},
        {" w - -", "/////// w - -", "/////// w - -", " w - -"},
        {"P/k w - -", "P/k////// w - -", "//////K/p b - -", "K/p b - -"},
    };
    for (const ImageCase& c : cases) {
        expectImages(c);
    }
}

TEST(MirrorImage, TreatsMissingFieldsAsEmpty) {
    const ImageCase cases[] = {
        {"k7/8/8/8/8/8/8/1Q5K", "7k/8/8/8/8/8/8/K5Q1 - ", "1Q5K/8/8/8/8/8/8/k7 - ",
         "K5Q1/8/8/8/8/8/8/7k - "},
        {"4k3/8/8/8/8/8/4P3/4K3 w", "3k4/8/8/8/8/8/3P4/3K4 w- ", "4k3/4p3/8/8/8/8/8/4K3 b ",
         "3k4/3p4/8/8/8/8/8/3K4 b- "},
        {"4k3/8/8/8/8/8/4P3/4K3 w -", "3k4/8/8/8/8/8/3P4/3K4 w - ", "4k3/4p3/8/8/8/8/8/4K3 b - ",
         "3k4/3p4/8/8/8/8/8/3K4 b - "},
        {"", "/////// - ", "/////// - ", " - "},
    };
    for (const ImageCase& c : cases) {
        expectImages(c);
    }
}

// The twin of --canonical: ranks reversed, colours, move and castling rights exchanged.
TEST(ColourReversedImage, ExchangesColoursWithoutPawnsToo) {
    struct Case {
        std::string_view key, twin;
    };
    const Case cases[] = {
        {"k7/8/8/8/8/8/8/1Q5K w - - bm #", "1q5k/8/8/8/8/8/8/K7 b - - bm #"},
        {"r3k3/8/8/8/8/8/8/4K2R b Kq - bm h#", "4k2r/8/8/8/8/8/8/R3K3 w Qk - bm h#"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - e3 bm #", "4k3/4p3/8/8/8/8/8/4K3 b - e6 bm #"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        std::string twin = "stale";
        colourReversedImage(c.key, twin);
        EXPECT_EQ(twin, c.twin);
        std::string back;
        colourReversedImage(twin, back);
        EXPECT_EQ(back, c.key);
    }
}

}  // namespace
}  // namespace vestrel
