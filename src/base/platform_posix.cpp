// The operating-system calls on Linux and other POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// A huge page slower than this to fault in costs more than the same memory in small pages.
constexpr auto kSlowHugePage = std::chrono::microseconds(1000);

FileId idOf(const struct stat& st) {
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), true};
}

// The signals that interrupt a run: Ctrl-C, kill's default and a closed terminal, and a bus
// error: a mapped input that another program shortened while it was read.
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGBUS};

// The file an interrupt removes, written only while interrupts are blocked; empty: none.
char interruptPath[4096];
// How many holds are open: interrupts come through when the last one is released.
int interruptHolds = 0;

void onInterrupt(int signal) {
    if (interruptPath[0] != '\0') (void)::unlink(interruptPath);
    // The signal is blocked while this runs: it ends the program with its default action as
    // soon as the handler returns, so the parent sees the usual status (130 after Ctrl-C).
    std::signal(signal, SIG_DFL);
    (void)::raise(signal);
}

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kInterrupts) sigaddset(&set, signal);
    return set;
}

// Clears O_NONBLOCK again after an open that must not wait.
void blockingAgain(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

void startProcess() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // The lowest free number is taken first, so each open fills the closed descriptor in turn.
    for (int fd = kStandardInput; fd <= kStandardError; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) ::close(null);
    }
}

int endOnClosedPipe() {
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
    return 1;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string recordCodePage(std::string_view argument) { return std::string(argument); }

bool namesFoldCase() { return false; }

void removeOnInterrupt(const std::string& path) {
    const sigset_t set = interruptSet();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &set, &previous);
    const bool fits = path.size() < sizeof interruptPath;
    std::memcpy(interruptPath, path.data(), fits ? path.size() : 0);
    interruptPath[fits ? path.size() : 0] = '\0';
    for (int signal : kInterrupts) {
        struct sigaction now {};
        // A signal ignored at the start (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
        struct sigaction handler {};
        handler.sa_handler = onInterrupt;
        sigemptyset(&handler.sa_mask);
        (void)::sigaction(signal, &handler, nullptr);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void holdInterrupts() {
    const sigset_t set = interruptSet();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    ++interruptHolds;
}

void releaseInterrupts() {
    if (interruptHolds > 0 && --interruptHolds > 0) return;
    const sigset_t set = interruptSet();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void allowFaultSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGBUS);
    (void)::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

FileId fileIdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return idOf(st);
}

FileId fileIdOfDescriptor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return idOf(st);
}

bool sameFileId(const FileId& a, const FileId& b) {
    return a.valid && b.valid && a.device == b.device && a.index == b.index;
}

bool sameFile(const std::string& a, const std::string& b) {
    return sameFileId(fileIdOf(a), fileIdOf(b));
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool nameTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isRegularFileDescriptor(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool isTerminal(int fd) { return ::isatty(fd) == 1; }

std::string_view endOfTerminalInput() { return "Ctrl-D"; }

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int openForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kNoFile;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kNoFile;
    }
    return fd;
}

int openRegularForReading(const std::string& path) {
    // Opening a pipe for reading waits for a writer, unless told not to wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kNoFile;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kNoFile;
    }
    blockingAgain(fd);
    return fd;
}

std::string resolveLinks(const std::string& path) {
    std::string name = path;
    // As many links as the system itself follows; a longer chain fails to open later.
    for (int hop = 0; hop < 40; ++hop) {
        char target[4096];
        const ssize_t n = ::readlink(name.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) break;
        const std::string link(target, static_cast<std::size_t>(n));
        const std::size_t slash = name.rfind('/');
        name =
            link[0] == '/' || slash == std::string::npos ? link : name.substr(0, slash + 1) + link;
    }
    return name;
}

namespace {

// ext4 places the blocks of a file cut to nothing when a descriptor of it is next closed (its
// guard for files rewritten in place), and that close then waits while the kernel does so for
// every byte written since: 18 ms for a 60 MB log. The first close of any descriptor of the
// file takes the flush, which is nothing right after the cut: a second descriptor of the same
// file is opened and closed at once, and the log's bytes go to disk as any file's do.
void takeFlushAfterCut(int fd) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const int other = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (other >= 0) ::close(other);
}

}  // namespace

int createUnlinkedFile(const std::string& path) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    // No O_TRUNC: a second hard link of someone's file is refused before anything is cut.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return errno == ELOOP ? kIsLink : kNoFile;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || st.st_nlink > 1 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return regular && st.st_nlink > 1 ? kIsLink : kNoFile;
    }
    if (st.st_size != 0) takeFlushAfterCut(fd);
    blockingAgain(fd);
    return fd;
}

int createFile(const std::string& path) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd < 0 ? kNoFile : fd;
}

int createNewFile(const std::string& path, const std::string& modeFrom) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    struct stat st {};
    const bool like = !modeFrom.empty() && ::stat(modeFrom.c_str(), &st) == 0;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, like ? 0600 : 0644);
    if (fd < 0) return errno == EEXIST ? kNameTaken : kNoFile;
    if (like) (void)::fchmod(fd, (st.st_mode | 0600) & 07777);
    return fd;
}

bool copyPermissions(int fd, const std::string& from) {
    if (fileCallFails(FileCall::Permissions)) return false;
    struct stat want {};
    struct stat have {};
    if (::stat(from.c_str(), &want) != 0 || ::fstat(fd, &have) != 0) return false;
    if ((want.st_mode & 07777) == (have.st_mode & 07777)) return true;
    return ::fchmod(fd, want.st_mode & 07777) == 0;
}

LockResult lockFile(int fd) {
    if (fileCallFails(FileCall::Lock)) return LockResult::Failed;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Failed;
    }
    return LockResult::Locked;
}

bool closeFile(int fd) { return fd >= 0 && ::close(fd) == 0; }

// The tests' own calls, declared where they use them: the program moves no descriptor.
int duplicateFile(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return copy < 0 ? kNoFile : copy;
}

bool redirectFile(int fd, int target) { return ::dup2(fd, target) >= 0; }

std::uint64_t fileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

long long readSome(int fd, char* buffer, std::size_t size) {
    if (fileCallFails(FileCall::Read)) return -1;
    while (true) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

const char* mapForReading(int fd, std::uint64_t size) {
    if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
    void* bytes = ::mmap(nullptr, std::size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes == MAP_FAILED) return nullptr;
    (void)::madvise(bytes, std::size_t(size), MADV_SEQUENTIAL);
    return static_cast<const char*>(bytes);
}

void unmapFile(const char* bytes, std::uint64_t size) {
    if (bytes != nullptr) ::munmap(const_cast<char*>(bytes), std::size_t(size));
}

void releaseMappedBytes(const char* bytes, std::uint64_t size) {
    (void)::madvise(const_cast<char*>(bytes), std::size_t(size), MADV_DONTNEED);
}

bool mappedFilesCanBeReplaced() { return true; }

namespace {

WriteResult writeEvery(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // A non-blocking pipe or terminal that is full: wait until it takes bytes.
                struct pollfd ready {};
                ready.fd = fd;
                ready.events = POLLOUT;
                if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
                return WriteResult::Failed;
            }
            return errno == EPIPE ? WriteResult::BrokenPipe : WriteResult::Failed;
        }
        if (n == 0) return WriteResult::Failed;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return WriteResult::Ok;
}

}  // namespace

WriteResult writeAll(int fd, std::string_view bytes) {
    if (fileCallFails(FileCall::Write)) return WriteResult::Failed;
    return writeEvery(fd, bytes);
}

WriteResult writeText(int fd, std::string_view text) { return writeAll(fd, text); }

bool setDirectWrites(int fd, bool on) {
#ifdef O_DIRECT
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1) return false;
    const int wanted = on ? flags | O_DIRECT : flags & ~O_DIRECT;
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
#else
    (void)fd;
    return !on;
#endif
}

WriteResult writeDirect(int fd, const char* bytes, std::size_t size) {
    if (fileCallFails(FileCall::Write)) return WriteResult::Failed;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // Turned down (a file system that takes direct writes only in some places, or a short
        // write that left the offset out of line): the rest goes the ordinary way.
        if (n < 0 && errno == EINVAL && setDirectWrites(fd, false)) {
            return writeEvery(fd, std::string_view(bytes + done, size - done));
        }
        return WriteResult::Failed;
    }
    return WriteResult::Ok;
}

bool syncFile(int fd) { return !fileCallFails(FileCall::Sync) && ::fsync(fd) == 0; }

void startWriteback(int fd) {
#ifdef SYNC_FILE_RANGE_WRITE
    (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
#endif
}

void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

bool removeFile(const std::string& path) {
    return !fileCallFails(FileCall::Remove) && ::unlink(path.c_str()) == 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    return !fileCallFails(FileCall::Rename) && ::rename(from.c_str(), to.c_str()) == 0;
}

bool hardLink(const std::string& existing, const std::string& newName) {
    return !fileCallFails(FileCall::Link) && ::link(existing.c_str(), newName.c_str()) == 0;
}

void setModificationHourToday(const std::string& path, int hour) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return;
    local.tm_hour = hour;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1)) return;
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = when;
    (void)::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

namespace {

// Faults a block filled in order in small pages all at once, where the kernel can (Linux 5.14
// on): one call instead of a fault a page, whose entries and exits also slow the program down.
// A 1M-line /0 run right after other commands took 93 ms of CPU with this against 104 ms, and
// a 10M-key /xy /p run 1.78 s against 1.82 s.
void populateSmallPages(void* memory, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    (void)::madvise(memory, size, MADV_POPULATE_WRITE);
#else
    (void)memory;
    (void)size;
#endif
}

// Faults in the huge page at `page` by one write of the zero it holds; true when that took long.
bool faultsInSlowly(std::uintptr_t page) {
    const auto before = std::chrono::steady_clock::now();
    *reinterpret_cast<volatile char*>(page) = 0;
    return std::chrono::steady_clock::now() - before > kSlowHugePage;
}

}  // namespace

void* allocateZeroed(std::size_t bytes, PagePolicy& policy) {
    const std::size_t size = bytes == 0 ? 1 : bytes;
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    if (size < kHugePage) return memory;
    if (!policy.hugePages) {
        populateSmallPages(memory, size);
        return memory;
    }
    (void)::madvise(memory, size, MADV_HUGEPAGE);
    // The whole huge pages of the block: the first, or all of them for a block read at random.
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t end = start + size;
    const std::size_t slowInRowToSwitch = policy.randomAccess ? 2 : 1;
    std::size_t slowInRow = 0;
    for (std::uintptr_t page = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
         page + kHugePage <= end; page += kHugePage) {
        slowInRow = faultsInSlowly(page) ? slowInRow + 1 : 0;
        if (slowInRow == slowInRowToSwitch) {
            // The huge pages faulted in already stay; the rest of the block gets small ones.
            policy.hugePages = false;
            (void)::madvise(memory, size, MADV_NOHUGEPAGE);
            populateSmallPages(memory, size);
            break;
        }
        if (!policy.randomAccess) break;
    }
    return memory;
}

void* allocateZeroed(std::size_t bytes, bool hugePages) {
    const std::size_t size = bytes == 0 ? 1 : bytes;
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    if (hugePages && size >= kHugePage) (void)::madvise(memory, size, MADV_HUGEPAGE);
    return memory;
}

void releaseZeroed(void* memory, std::size_t bytes) {
    if (memory != nullptr) ::munmap(memory, bytes == 0 ? 1 : bytes);
}

}  // namespace vestrel
