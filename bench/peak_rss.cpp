// Runs a program and reports its wall time and peak memory:
//     peak_rss <report file> <program> [arguments...]
// The program keeps this process's standard streams, so the caller redirects them as usual.
// The report file gets one line: wall seconds, user CPU seconds, system CPU seconds and the
// peak resident set size in KiB. CPU time stays meaningful on a busy machine; wall time does not.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: peak_rss <report file> <program> [arguments...]\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 2;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;

    std::FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    std::fprintf(report, "%.6f %.6f %.6f %ld\n", wall.count(), seconds(usage.ru_utime),
                 seconds(usage.ru_stime), usage.ru_maxrss);
    std::fclose(report);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
