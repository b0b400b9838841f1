#include <gtest/gtest.h>

#include <random>

#include "position/bitboard.h"

namespace vestrel {
namespace {

// The magic look-up against the rays, for every square and every occupation of its mask,
// with random pieces outside the mask (on the edge, on the square itself, off the diagonals)
// that must change nothing.
TEST(BishopAttacks, MatchTheRaysForEveryOccupation) {
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 64; ++i) {
        const Square s = Square(i);
        const Bitboard mask = kMagics.bishop[s].mask;
        int mismatches = 0;
        Bitboard subset = 0;
        do {
            const Bitboard occupied = subset | (random() & random() & ~mask);
            Bitboard rays = 0;
            for (int d = 1; d < 8; d += 2) rays |= rayAttacks(s, d, occupied);
            if (bishopAttacks(s, occupied) != rays) ++mismatches;
            subset = (subset - mask) & mask;
        } while (subset != 0);
        EXPECT_EQ(mismatches, 0) << "square " << i;
    }
}

}  // namespace
}  // namespace vestrel
