#include "base/platform.h"

#include <gtest/gtest.h>

#include <string>

#include "../database/database_files.h"

namespace vestrel {
namespace {

using testing::ScratchDir;

// The lock is one holder's until that holder closes the file, whichever descriptor asks.
TEST(LockFile, IsExclusiveUntilTheHolderCloses) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const int holder = createNewFile("lock", "");
    ASSERT_GE(holder, 0);
    EXPECT_EQ(createNewFile("lock", ""), kNameTaken);
    ASSERT_EQ(lockFile(holder), LockResult::Locked);
    const int other = openForReading("lock");
    ASSERT_GE(other, 0);
    EXPECT_EQ(lockFile(other), LockResult::HeldElsewhere);
    EXPECT_TRUE(closeFile(holder));
    EXPECT_EQ(lockFile(other), LockResult::Locked);
    EXPECT_TRUE(closeFile(other));
}

// A block is zeroed and writable whatever pages it gets: its huge pages are faulted in by a
// write of the zero they hold, so that their cost can be timed (the first one of a block filled
// in order, every one of a block read at random). A policy that has turned to small pages never
// turns back.
TEST(AllocateZeroed, GivesZeroedBlocksUnderEitherPolicy) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    for (const bool huge : {true, false}) {
        for (const bool random : {false, true}) {
            for (const std::size_t bytes : {std::size_t{0}, std::size_t{4096}, 2 * kMiB - 1,
                                            2 * kMiB, 4 * kMiB + 1, 7 * kMiB}) {
                SCOPED_TRACE(std::to_string(bytes) + (huge ? " huge" : " small") +
                             (random ? " random" : " in order"));
                PagePolicy policy{huge, random};
                auto* memory = static_cast<unsigned char*>(allocateZeroed(bytes, policy));
                ASSERT_NE(memory, nullptr);
                EXPECT_TRUE(huge || !policy.hugePages);
                std::size_t nonZero = 0;
                for (std::size_t i = 0; i < bytes; ++i) nonZero += memory[i] != 0;
                EXPECT_EQ(nonZero, 0u);
                if (bytes != 0) memory[bytes - 1] = 0xFF;
                releaseZeroed(memory, bytes);
            }
        }
    }
}

}  // namespace
}  // namespace vestrel
