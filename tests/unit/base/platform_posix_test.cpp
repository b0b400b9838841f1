#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "base/platform.h"

// POSIX only: the Windows build leaves out every *_posix_test.cpp.
namespace vestrel {
namespace {

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

// Standard input from a terminal gets a note before the run waits for typed lines; a pipe, a
// file or the null device does not.
TEST(IsTerminal, TellsATerminalFromPipesAndFiles) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    EXPECT_TRUE(isTerminal(terminal));
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int null = ::open("/dev/null", O_RDONLY);
    EXPECT_FALSE(isTerminal(ends[0]));
    EXPECT_FALSE(isTerminal(null));
    for (int fd : {terminal, master, ends[0], ends[1], null}) ::close(fd);
}

}  // namespace
}  // namespace vestrel
