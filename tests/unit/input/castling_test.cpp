#include "input/castling.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

// The rights /c writes into a field that says "-".
TEST(EditCastlingField, DerivesRightsFromKingOnEFileAndCornerRook) {
    struct Case {
        std::string_view placement, rights;
    };
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R", "KQkq"},
        {"4k3/8/8/8/8/8/8/4K3", "-"},
        {"rn2k2r/8/8/8/8/8/8/8", "kq"},
        {"r4k1r/8/8/8/8/8/8/8", "-"},
        {"4k2r/8/8/8/8/8/8/8", "k"},
        {"r3k3/8/8/8/8/8/8/8", "q"},
        {"4k3/8/8/8/8/8/8/R3K2R", "KQ"},
        {"r3k3/8/8/8/8/8/8/R3K2R", "KQq"},
        {"r3k3/8/8/8/8/8/8/4K2R", "Kq"},
        {"R3K2R/8/8/8/8/8/8/r3k2r", "-"},
        {"r3k2r/8/8/8/8/8/8/r3k2r", "kq"},
        {"3rk2r/8/8/8/8/8/8/3RK3", "k"},
        // A king beside its home square, next to the corner rook or not, has no rights.
        {"4k3/8/8/8/8/8/8/6KR", "-"},
        {"4k3/8/8/8/8/8/8/R4K1R", "-"},
        {"4k3/8/8/8/8/8/8/RK6", "-"},
        {"r2k3r/8/8/8/8/8/8/4K3", "-"},
        {"6kr/8/8/8/8/8/8/4K3", "-"},
        {"rk6/8/8/8/8/8/8/4K3", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placement);
        std::string storage;
        EXPECT_EQ(editCastlingField("-", c.placement, CastlingEdit::Set, storage), c.rights);
    }
}

TEST(EditCastlingField, FollowsTheEditMode) {
    struct Case {
        CastlingEdit mode;
        std::string_view field, placement, result;
    };
    const Case cases[] = {
        {CastlingEdit::None, "-", "r3k2r/8/8/8/8/8/8/R3K2R", "-"},
        {CastlingEdit::Set, "-", "r3k2r/8/8/8/8/8/8/R3K2R", "KQkq"},
        {CastlingEdit::Set, "Kk", "r3k2r/8/8/8/8/8/8/R3K2R", "Kk"},
        {CastlingEdit::Set, "", "r3k2r/8/8/8/8/8/8/R3K2R", ""},
        {CastlingEdit::Insert, "Kk", "r3k2r/8/8/8/8/8/8/R3K2R", "KQkq"},
        {CastlingEdit::Insert, "KQkq", "4k3/8/8/8/8/8/8/4K3", "-"},
        {CastlingEdit::Insert, "", "r3k2r/8/8/8/8/8/8/R3K2R", "KQkq"},
        {CastlingEdit::Delete, "KQkq", "r3k2r/8/8/8/8/8/8/R3K2R", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        std::string storage;
        EXPECT_EQ(editCastlingField(c.field, c.placement, c.mode, storage), c.result);
    }
}

}  // namespace
}  // namespace vestrel
