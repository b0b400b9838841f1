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

}  // namespace
}  // namespace vestrel
