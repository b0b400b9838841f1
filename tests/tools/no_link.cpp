// Preloaded into the program (LD_PRELOAD) to play a file system without hard links: link()
// and linkat() fail as they do there. With VESTREL_KILL_AT_RENAME=<n> set, the process also
// kills itself just before its n-th rename, the worst moment of a commit.
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

int renames = 0;

void maybeDie() {
    const char* at = std::getenv("VESTREL_KILL_AT_RENAME");
    if (at != nullptr && ++renames == std::atoi(at)) ::kill(::getpid(), SIGKILL);
}

}  // namespace

extern "C" int link(const char*, const char*) {
    errno = EPERM;
    return -1;
}

extern "C" int linkat(int, const char*, int, const char*, int) {
    errno = EPERM;
    return -1;
}

extern "C" int rename(const char* from, const char* to) {
    maybeDie();
    using Rename = int (*)(const char*, const char*);
    static const Rename real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}
