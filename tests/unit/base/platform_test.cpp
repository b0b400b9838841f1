#include "base/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "../database/database_files.h"

namespace vestrel {
namespace {

using testing::ScratchDir;

// A full non-blocking pipe makes write() fail with EAGAIN; the write waits until the reader
// has taken the bytes instead of failing.
TEST(WriteAll, WaitsOnAFullNonBlockingPipe) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK), 0);
    const std::string bytes(std::size_t{4} << 20, 'x');  // far more than a pipe holds
    std::size_t received = 0;
    std::thread reader([&] {
        char buffer[65536];
        long long n = 0;
        while ((n = readSome(ends[0], buffer, sizeof buffer)) > 0) {
            received += static_cast<std::size_t>(n);
        }
    });
    EXPECT_EQ(writeAll(ends[1], bytes), WriteResult::Ok);
    ::close(ends[1]);
    reader.join();
    ::close(ends[0]);
    EXPECT_EQ(received, bytes.size());
}

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
