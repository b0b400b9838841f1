// Runs a program under a resource limit, so tests can make its writes or allocations fail:
//     run_limited <max-file-bytes> <program> [arguments...]
//     run_limited as=<max-address-space-bytes> <program> [arguments...]
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_limited [as=]<bytes> <program> [arguments...]\n");
        return 2;
    }
    const bool addressSpace = std::strncmp(argv[1], "as=", 3) == 0;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = std::strtoull(argv[1] + (addressSpace ? 3 : 0), nullptr, 10);
    if (setrlimit(addressSpace ? RLIMIT_AS : RLIMIT_FSIZE, &limit) != 0) {
        std::perror("setrlimit");
        return 2;
    }
    execv(argv[2], argv + 2);
    std::perror("execv");
    return 2;
}
