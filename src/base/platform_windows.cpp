// The operating-system calls on Windows. Files are C runtime descriptors wrapped around Win32
// handles, opened with every share mode (so an open file can still be renamed or removed) and
// read and written through the handle in binary: no byte is ever translated. Names
// are the narrow (ANSI code page) names the C runtime hands to main.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// (windows.h first: the C runtime headers below rely on its types.)
#include <fcntl.h>
#include <io.h>

#include <cstring>

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile take a 32-bit count: larger blocks go in pieces of this size.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

HANDLE handleOf(int fd) {
    if (fd < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A C runtime descriptor that owns the handle; closes the handle when none can be made.
int descriptorFor(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) return kNoFile;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        return kNoFile;
    }
    return fd;
}

// Marks a file whose volume the system would not tell: the file index alone decides.
constexpr std::uint64_t kUnknownVolume = ~std::uint64_t{0};

FileId idOfHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle, &info)) {
        return {info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
    }
    // Wine answers only this query for a file it handed over as a standard handle, and
    // without the volume.
    FILE_ID_INFO id{};
    if (!::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) return {};
    std::uint64_t index = 0;
    std::memcpy(&index, id.FileId.Identifier, sizeof index);
    return {id.VolumeSerialNumber != 0 ? id.VolumeSerialNumber : kUnknownVolume, index, true};
}

// A file on a disk, not a folder: no console, device or pipe.
bool isRegularFileHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK) return false;
    FILE_STANDARD_INFO info{};
    return ::GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) &&
           !info.Directory;
}

// Something answers to the name; an error other than "not found" counts as something, so a
// name that cannot be examined is never taken for free.
bool anythingAt(const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME && error != ERROR_BAD_NETPATH;
}

// The reading end of a pipe has gone: Windows says "no data" (the pipe is being closed),
// Wine "not connected".
bool pipeGone(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

}  // namespace

void startProcess() {
    // No message boxes for a missing drive or a crash: a console program reports or fails.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // A missing standard handle becomes the null device, as a closed descriptor does on POSIX.
    for (int fd = kStandardInput; fd <= kStandardError; ++fd) {
        const intptr_t handle = ::_get_osfhandle(fd);
        if (handle != -1 && handle != -2) continue;  // -2: no handle at the start
        const HANDLE null = ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        const int nullFd = descriptorFor(null, 0);
        if (nullFd >= 0 && nullFd != fd) {
            (void)::_dup2(nullFd, fd);
            (void)::_close(nullFd);
        }
    }
    // Anything written through the C runtime passes unchanged too (CR LF stays CR LF).
    (void)::_setmode(kStandardInput, _O_BINARY);
    (void)::_setmode(kStandardOutput, _O_BINARY);
    (void)::_setmode(kStandardError, _O_BINARY);
}

// Windows has no signal for a closed pipe: the program simply ends.
int endOnClosedPipe() { return 1; }

FileId fileIdOf(const std::string& path) {
    // No access asked for, only the identity; folders open too with backup semantics.
    const HANDLE handle = ::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    const FileId id = idOfHandle(handle);
    ::CloseHandle(handle);
    return id;
}

FileId fileIdOfDescriptor(int fd) { return idOfHandle(handleOf(fd)); }

bool sameFileId(const FileId& a, const FileId& b) {
    const bool sameVolume =
        a.device == b.device || a.device == kUnknownVolume || b.device == kUnknownVolume;
    return a.valid && b.valid && sameVolume && a.index == b.index;
}

bool sameFile(const std::string& a, const std::string& b) {
    return sameFileId(fileIdOf(a), fileIdOf(b));
}

bool pathExists(const std::string& path) { return anythingAt(path); }

bool nameTaken(const std::string& path) { return anythingAt(path); }

bool isRegularFile(const std::string& path) {
    const HANDLE handle = ::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool regular = isRegularFileHandle(handle);
    ::CloseHandle(handle);
    return regular;
}

bool isRegularFileDescriptor(int fd) { return isRegularFileHandle(handleOf(fd)); }

bool isTerminal(int fd) {
    // _isatty also answers for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    return ::GetConsoleMode(handleOf(fd), &mode) != 0;
}

std::string_view endOfTerminalInput() { return "Ctrl-Z and Enter"; }

bool isFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int openForReading(const std::string& path) {
    // A folder does not open without backup semantics, so it is refused like a missing file.
    const HANDLE handle =
        ::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return descriptorFor(handle, _O_RDONLY);
}

int createFile(const std::string& path) {
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return descriptorFor(handle, 0);
}

// Permissions come from the folder's access list on Windows; a read-only attribute is not
// copied, since it would keep the new file from ever replacing the database.
int createFileLike(const std::string& path, const std::string& /*modeFrom*/) {
    return createFile(path);
}

// The permissions come from the folder's access list, and a read-only attribute is never
// copied: it would keep the new file from ever replacing the database.
int createNewFile(const std::string& path, const std::string& /*modeFrom*/) {
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? kNameTaken : kNoFile;
    }
    return descriptorFor(handle, 0);
}

// Windows keeps no permission bits on a file: its access list comes from the folder.
bool copyPermissions(int /*fd*/, const std::string& /*from*/) { return true; }

LockResult lockFile(int fd) {
    // The whole file, however long it grows; Windows drops the lock when the handle closes or
    // the process ends.
    OVERLAPPED whole{};
    if (::LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &whole)) {
        return LockResult::Locked;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION
               ? LockResult::HeldElsewhere
               : LockResult::Failed;
}

bool closeFile(int fd) { return fd >= 0 && ::_close(fd) == 0; }

int duplicateFile(int fd) {
    const int copy = ::_dup(fd);
    return copy < 0 ? kNoFile : copy;
}

bool redirectFile(int fd, int target) { return ::_dup2(fd, target) == 0; }

std::uint64_t fileSize(int fd) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handleOf(fd), &size) || size.QuadPart <= 0) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

long long readSome(int fd, char* buffer, std::size_t size) {
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(size < kMaxTransfer ? size : kMaxTransfer);
    if (::ReadFile(handle, buffer, want, &got, nullptr)) return got;
    // The writing end of a pipe has gone: that is the end of the input.
    const DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    return -1;
}

WriteResult writeAll(int fd, std::string_view bytes) {
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) return WriteResult::Failed;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(left < kMaxTransfer ? left : kMaxTransfer);
        if (!::WriteFile(handle, p, chunk, &wrote, nullptr)) {
            const DWORD error = ::GetLastError();
            return pipeGone(error) ? WriteResult::BrokenPipe : WriteResult::Failed;
        }
        if (wrote == 0) return WriteResult::Failed;
        p += wrote;
        left -= wrote;
    }
    return WriteResult::Ok;
}

bool syncFile(int fd) { return ::FlushFileBuffers(handleOf(fd)) != 0; }

// The moves are made with MOVEFILE_WRITE_THROUGH, which makes them durable on their own.
void syncFolderOf(const std::string& /*path*/) {}

bool removeFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool renameReplacing(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool hardLink(const std::string& existing, const std::string& newName) {
    return ::CreateHardLinkA(newName.c_str(), existing.c_str(), nullptr) != 0;
}

void setModificationHourToday(const std::string& path, int hour) {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = 0;
    local.wSecond = 0;
    local.wMilliseconds = 0;
    SYSTEMTIME universal{};
    FILETIME when{};
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) ||
        !::SystemTimeToFileTime(&universal, &when)) {
        return;
    }
    const HANDLE handle = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    (void)::SetFileTime(handle, nullptr, nullptr, &when);
    ::CloseHandle(handle);
}

void* allocateZeroed(std::size_t bytes) {
    const std::size_t size = bytes == 0 ? 1 : bytes;
    return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void releaseZeroed(void* memory, std::size_t /*bytes*/) {
    if (memory != nullptr) ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace vestrel
