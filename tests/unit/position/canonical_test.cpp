#include "position/canonical.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vestrel {
namespace {

TEST(DropUnusableEnPassant, KeepsOnlySquaresAPawnCanTakeOn) {
    struct Case {
        std::string_view key, canonical;
    };
    const Case cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 bm #", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w - d6 bm #", "4k3/8/8/3p4/8/8/8/4K3 w - - bm #"},
        {"4k3/8/8/3p3P/8/8/8/4K3 w - d6", "4k3/8/8/3p3P/8/8/8/4K3 w - -"},          // too far away
        {"6bk/8/8/2pP4/8/8/K7/8 w - c6 bm #", "6bk/8/8/2pP4/8/8/K7/8 w - - bm #"},  // pinned
        {"8/8/8/K2pP2r/8/8/8/7k w - d6 bm h#", "8/8/8/K2pP2r/8/8/8/7k w - - bm h#"},  // rank
        {"r3k3/8/8/8/4Pp2/8/8/4K3 b q e3 bm #", "r3k3/8/8/8/4Pp2/8/8/4K3 b q e3 bm #"},
        {"r3k3/8/8/8/4P3/8/8/4K3 b q e3 bm #", "r3k3/8/8/8/4P3/8/8/4K3 b q - bm #"},
        // Keys the static test refuses, and keys without a square, stay as they are.
        {"4k3/8/8/8/8/8/8/4K3 w - d6 bm #", "4k3/8/8/8/8/8/8/4K3 w - d6 bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w - - bm #", "4k3/8/8/3p4/8/8/8/4K3 w - - bm #"},
        {"4k3/8/8/3p4/8/8/8/4K3 w -", "4k3/8/8/3p4/8/8/8/4K3 w -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        std::string key(c.key);
        EXPECT_EQ(dropUnusableEnPassant(key), c.key != c.canonical);
        EXPECT_EQ(key, c.canonical);
    }
}

}  // namespace
}  // namespace vestrel
