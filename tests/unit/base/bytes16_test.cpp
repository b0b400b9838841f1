// markBits takes one SSE2 instruction where the compiler offers it; the multiply that stands in
// elsewhere must give the same bits.

#include "base/bytes16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace vestrel {
namespace {

TEST(Bytes16, MarkBitsWithoutSse2GivesTheSameBits) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 20000; ++round) {
        // Marks as compares give them, and bytes of any value: only the top bit counts.
        const bool anyValue = round % 2 == 1;
        Bytes16 marks;
        std::uint32_t expected = 0;
        for (int i = 0; i < 16; ++i) {
            const auto byte = static_cast<unsigned char>(random());
            marks[i] = anyValue ? byte : (byte & 1) != 0 ? 0xFF : 0;
            if ((marks[i] & 0x80) != 0) expected |= std::uint32_t{1} << i;
        }
        ASSERT_EQ(markBitsPortable(marks), expected) << round;
        ASSERT_EQ(markBits(marks), expected) << round;
    }
}

}  // namespace
}  // namespace vestrel
