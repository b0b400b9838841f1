// The operating-system calls on Windows. Files are C runtime descriptors wrapped around Win32
// handles, opened with every share mode (so an open file can still be renamed or removed) and
// read and written through the handle in binary: no byte is ever translated. Names are UTF-8
// in the program and go to the wide (UTF-16) calls, so that every name the command line can
// carry opens.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// (windows.h first: the C runtime headers below rely on its types.)
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

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

// A name as the wide calls take it; the program's names are UTF-8.
std::wstring wide(std::string_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), n);
    return out;
}

std::string narrow(std::wstring_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n =
        ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

// Bytes that are UTF-8 throughout (ASCII included).
bool isUtf8(std::string_view text) {
    return text.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                 static_cast<int>(text.size()), nullptr, 0) > 0;
}

// The length of the UTF-8 sequence at the start of the text; 0 when it is none.
std::size_t utf8SequenceAt(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || length > text.size() || lead > 0xF4) return 0;
    return isUtf8(text.substr(0, length)) ? length : 0;
}

// Text for the console: UTF-8 where the bytes are UTF-8, any other byte in the console's code
// page (the usage text's 0xF1).
std::wstring consoleText(std::string_view text, UINT codePage) {
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80 ? 0 : utf8SequenceAt(text.substr(i));
        if (byte < 0x80) {
            out.push_back(static_cast<wchar_t>(byte));
            ++i;
        } else if (length > 0) {
            out.append(wide(text.substr(i, length)));
            i += length;
        } else {
            out.append(wide(text.substr(i, 1), codePage));
            ++i;
        }
    }
    return out;
}

HANDLE openHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    return ::CreateFileW(wide(path).c_str(), access, kShareAll, nullptr, disposition, flags,
                         nullptr);
}

// The gate that interrupts pass: the console's handler waits at it while a commit holds it.
struct InterruptGate {
    CRITICAL_SECTION section;
    std::wstring path;  // the file an interrupt removes; empty: none
    InterruptGate() { ::InitializeCriticalSection(&section); }
};

InterruptGate& interruptGate() {
    static InterruptGate gate;  // process-wide like the console's handler list itself
    return gate;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    InterruptGate& gate = interruptGate();
    ::EnterCriticalSection(&gate.section);
    if (!gate.path.empty()) (void)::DeleteFileW(gate.path.c_str());
    ::ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
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
    if (::GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
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
        const HANDLE null = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
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
    // Ctrl-C and Ctrl-Break end the program with a status that says so, after removing the
    // temporary file of a rewrite.
    (void)interruptGate();
    (void)::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

// Windows has no signal for a closed pipe: the program simply ends.
int endOnClosedPipe() { return 1; }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wideArguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    // The wide command line is this call's only when it splits into the same arguments as
    // the narrow one the C runtime made.
    bool same = wideArguments != nullptr && count == argc;
    for (int i = 1; same && i < argc; ++i) {
        arguments.push_back(narrow(wideArguments[i]));
        same = recordCodePage(arguments.back()) == argv[i];
    }
    if (wideArguments != nullptr) ::LocalFree(wideArguments);
    if (same) return arguments;
    arguments.clear();
    for (int i = 1; i < argc; ++i) arguments.push_back(narrow(wide(argv[i], CP_ACP)));
    return arguments;
}

std::string recordCodePage(std::string_view argument) {
    bool ascii = true;
    for (char c : argument) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || !isUtf8(argument)) return std::string(argument);
    return narrow(wide(argument), CP_ACP);
}

bool namesFoldCase() { return true; }

void removeOnInterrupt(const std::string& path) {
    InterruptGate& gate = interruptGate();
    ::EnterCriticalSection(&gate.section);
    gate.path = wide(path);
    ::LeaveCriticalSection(&gate.section);
}

void holdInterrupts() { ::EnterCriticalSection(&interruptGate().section); }

void releaseInterrupts() { ::LeaveCriticalSection(&interruptGate().section); }

// Windows raises no signal for a mapped file cut short.
void allowFaultSignals() {}

FileId fileIdOf(const std::string& path) {
    // No access asked for, only the identity; folders open too with backup semantics.
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
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
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
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
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int openForReading(const std::string& path) {
    // A folder does not open without backup semantics, so it is refused like a missing file.
    const HANDLE handle = openHandle(path, GENERIC_READ, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    return descriptorFor(handle, _O_RDONLY);
}

int openRegularForReading(const std::string& path) {
    const HANDLE handle = openHandle(path, GENERIC_READ, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (handle != INVALID_HANDLE_VALUE && !isRegularFileHandle(handle)) {
        ::CloseHandle(handle);
        return kNoFile;
    }
    return descriptorFor(handle, _O_RDONLY);
}

std::string resolveLinks(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return path;
    }
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return path;
    std::wstring target(32768, L'\0');
    const DWORD n =
        ::GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), 0);
    ::CloseHandle(handle);
    if (n == 0 || n >= target.size()) return path;
    target.resize(n);
    // "\\?\C:\x" is "C:\x", and "\\?\UNC\server\x" is "\\server\x".
    if (target.starts_with(L"\\\\?\\UNC\\")) {
        target = L"\\\\" + target.substr(8);
    } else if (target.starts_with(L"\\\\?\\")) {
        target = target.substr(4);
    }
    return narrow(target);
}

int createUnlinkedFile(const std::string& path) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    // The link itself is opened, not what it leads to; nothing is cut before it is checked.
    const HANDLE handle = openHandle(path, GENERIC_WRITE, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return kNoFile;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    const bool link = known && ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                                info.nNumberOfLinks > 1);
    LARGE_INTEGER start{};
    if (link || !isRegularFileHandle(handle) ||
        !::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle)) {
        ::CloseHandle(handle);
        return link ? kIsLink : kNoFile;
    }
    return descriptorFor(handle, 0);
}

int createFile(const std::string& path) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    const HANDLE handle = openHandle(path, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    return descriptorFor(handle, 0);
}

// The permissions come from the folder's access list, and a read-only attribute is never
// copied: it would keep the new file from ever replacing the database.
int createNewFile(const std::string& path, const std::string& /*modeFrom*/) {
    if (fileCallFails(FileCall::Create)) return kNoFile;
    const HANDLE handle =
        openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? kNameTaken : kNoFile;
    }
    return descriptorFor(handle, 0);
}

// Windows keeps no permission bits on a file: its access list comes from the folder.
bool copyPermissions(int /*fd*/, const std::string& /*from*/) {
    return !fileCallFails(FileCall::Permissions);
}

LockResult lockFile(int fd) {
    if (fileCallFails(FileCall::Lock)) return LockResult::Failed;
    // One byte far past any end the file reaches: a byte-range lock keeps every other handle
    // from the bytes it covers, and the locked file is read through other handles. Windows
    // drops the lock when the handle closes or the process ends.
    OVERLAPPED beyondEnd{};
    beyondEnd.OffsetHigh = 0x7FFFFFFF;
    if (::LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &beyondEnd)) {
        return LockResult::Locked;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION
               ? LockResult::HeldElsewhere
               : LockResult::Failed;
}

bool closeFile(int fd) { return fd >= 0 && ::_close(fd) == 0; }

// The tests' own calls, declared where they use them: the program moves no descriptor.
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

const char* mapForReading(int fd, std::uint64_t size) {
    if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
    const HANDLE file = handleOf(fd);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return nullptr;
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, std::size_t(size));
    ::CloseHandle(mapping);  // the view keeps the mapping
    return static_cast<const char*>(view);
}

void unmapFile(const char* bytes, std::uint64_t) {
    if (bytes != nullptr) ::UnmapViewOfFile(bytes);
}

// Windows trims the pages of a view read no more by itself.
void releaseMappedBytes(const char*, std::uint64_t) {}

// A mapped file cannot be replaced, nor renamed to another name.
bool mappedFilesCanBeReplaced() { return false; }

long long readSome(int fd, char* buffer, std::size_t size) {
    if (fileCallFails(FileCall::Read)) return -1;
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
    if (fileCallFails(FileCall::Write)) return WriteResult::Failed;
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) return WriteResult::Failed;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(left < kMaxTransfer ? left : kMaxTransfer);
        if (!::WriteFile(handle, p, chunk, &wrote, nullptr)) {
            // Only a pipe can have lost its reader: a file that fails to take the bytes is
            // an error to report, whatever code the system gives.
            const DWORD error = ::GetLastError();
            const bool pipe = ::GetFileType(handle) == FILE_TYPE_PIPE;
            return pipe && pipeGone(error) ? WriteResult::BrokenPipe : WriteResult::Failed;
        }
        if (wrote == 0) return WriteResult::Failed;
        p += wrote;
        left -= wrote;
    }
    return WriteResult::Ok;
}

// Windows turns unbuffered writes on only as a file is opened: every write takes the cache.
bool setDirectWrites(int, bool on) { return !on; }

WriteResult writeDirect(int fd, const char* bytes, std::size_t size) {
    return writeAll(fd, std::string_view(bytes, size));
}

WriteResult writeText(int fd, std::string_view text) {
    const HANDLE handle = handleOf(fd);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) {
        return writeAll(fd, text);
    }
    const std::wstring shown = consoleText(text, ::GetConsoleOutputCP());
    std::size_t done = 0;
    while (done < shown.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(shown.size() - done, 8192));
        if (!::WriteConsoleW(handle, shown.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            return WriteResult::Failed;
        }
        done += wrote;
    }
    return WriteResult::Ok;
}

bool syncFile(int fd) {
    return !fileCallFails(FileCall::Sync) && ::FlushFileBuffers(handleOf(fd)) != 0;
}

// FlushFileBuffers waits for the disk: there is no call that only starts the writing.
void startWriteback(int) {}

// The moves are made with MOVEFILE_WRITE_THROUGH, which makes them durable on their own.
void syncFolderOf(const std::string& /*path*/) {}

bool removeFile(const std::string& path) {
    return !fileCallFails(FileCall::Remove) && ::DeleteFileW(wide(path).c_str()) != 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    return !fileCallFails(FileCall::Rename) &&
           ::MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool hardLink(const std::string& existing, const std::string& newName) {
    return !fileCallFails(FileCall::Link) &&
           ::CreateHardLinkW(wide(newName).c_str(), wide(existing).c_str(), nullptr) != 0;
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
    const HANDLE handle =
        openHandle(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return;
    (void)::SetFileTime(handle, nullptr, nullptr, &when);
    ::CloseHandle(handle);
}

void* allocateZeroed(std::size_t bytes, bool /*hugePages*/) {
    const std::size_t size = bytes == 0 ? 1 : bytes;
    return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void* allocateZeroed(std::size_t bytes, PagePolicy& /*policy*/) {
    return allocateZeroed(bytes, true);
}

void releaseZeroed(void* memory, std::size_t /*bytes*/) {
    if (memory != nullptr) ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace vestrel
