#pragma once
// The operating-system calls the program makes, behind one small interface. Files are the C
// runtime's descriptors on every platform; every call reports failure by its result. No other
// file knows which platform it runs on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

inline constexpr int kNoFile = -1;
inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// Prepares the process: write failures come back as errors instead of signals (a closed pipe, a
// file-size limit), standard output and error pass bytes through unchanged, and a closed
// standard input, output or error is opened on the null device, so that no file the program
// opens takes its place.
void startProcess();
// Ends the program the way a closed pipe ends every filter in a pipeline.
int endOnClosedPipe();

// The identity of a file: device and inode, or volume and file index. Two names with equal,
// valid identities name one file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool valid = false;
};
FileId fileIdOf(const std::string& path);  // follows links
FileId fileIdOfDescriptor(int fd);
bool sameFileId(const FileId& a, const FileId& b);
// Both names resolve to one existing file.
bool sameFile(const std::string& a, const std::string& b);

// An existing file or folder answers to the name (links followed).
bool pathExists(const std::string& path);
// Something holds the name, even a link that leads nowhere.
bool nameTaken(const std::string& path);
// The name leads to a regular file (links followed): not a folder, device or pipe.
bool isRegularFile(const std::string& path);
// The open file is a regular file: not a terminal, device or pipe.
bool isRegularFileDescriptor(int fd);
// The open file is a terminal (a console on Windows).
bool isTerminal(int fd);
// What a user types at a terminal to end the input.
std::string_view endOfTerminalInput();
// The name leads to a folder.
bool isFolder(const std::string& path);

// Opens an existing file for reading; kNoFile when it cannot be opened or is a directory.
int openForReading(const std::string& path);
// Creates or truncates a file for writing.
int createFile(const std::string& path);
// Creates or truncates a file for writing with the permissions of `modeFrom`, when that names
// an existing file.
int createFileLike(const std::string& path, const std::string& modeFrom);
// Creates a new file for reading and writing; never opens an existing one. Its permissions are
// those of `modeFrom` (when that names an existing file) plus reading and writing for the owner.
// kNameTaken when something already holds the name, kNoFile on any other failure.
inline constexpr int kNameTaken = -2;
int createNewFile(const std::string& path, const std::string& modeFrom);
// Gives an open file exactly the permissions of the file `from`; true when there is nothing to do.
bool copyPermissions(int fd, const std::string& from);
bool closeFile(int fd);
// A second descriptor for an open file; kNoFile when none can be made.
int duplicateFile(int fd);
// Makes `target` refer to the file open as `fd`, closing what it referred to before.
bool redirectFile(int fd, int target);

enum class LockResult { Locked, HeldElsewhere, Failed };
// Takes an exclusive lock on an open file without waiting. The lock lasts until the file is
// closed or the process ends, however it ends.
LockResult lockFile(int fd);
// The size of an open file in bytes; 0 when unknown.
std::uint64_t fileSize(int fd);

// Reads up to `size` bytes: the count, 0 at the end, -1 on an error.
long long readSome(int fd, char* buffer, std::size_t size);

enum class WriteResult { Ok, Failed, BrokenPipe };
// Writes every byte, retrying short writes and waiting while a non-blocking file is full.
WriteResult writeAll(int fd, std::string_view bytes);

// Makes a file's bytes durable.
bool syncFile(int fd);
// Makes a rename or link in the folder of `path` durable (nothing to do where not needed).
void syncFolderOf(const std::string& path);

bool removeFile(const std::string& path);
// Moves a file onto a name, replacing what is there in one step.
bool renameReplacing(const std::string& from, const std::string& to);
// A second name for an existing file; false where the file system has no links.
bool hardLink(const std::string& existing, const std::string& newName);

// Sets a file's modification date to today at the given local hour.
void setModificationHourToday(const std::string& path, int hour);

// Large zeroed memory from the system, in huge pages where it can; nullptr when there is none.
void* allocateZeroed(std::size_t bytes);
void releaseZeroed(void* memory, std::size_t bytes);

}  // namespace vestrel
