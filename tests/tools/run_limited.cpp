// Runs a program with a small file-size limit, so tests can make its writes fail:
//     run_limited <max-file-bytes> <program> [arguments...]
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_limited <max-file-bytes> <program> [arguments...]\n");
        return 2;
    }
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = std::strtoull(argv[1], nullptr, 10);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        std::perror("setrlimit");
        return 2;
    }
    execv(argv[2], argv + 2);
    std::perror("execv");
    return 2;
}
