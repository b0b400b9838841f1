#pragma once
// The operating-system calls the program makes, behind one small interface. Files are the C
// runtime's descriptors on every platform; every call reports failure by its result. No other
// file knows which platform it runs on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The arguments after the program's name. POSIX: the bytes as typed. Windows: UTF-8 from the
// wide command line, so that every file name survives; file names are UTF-8 in every call.
std::vector<std::string> commandLineArguments(int argc, char** argv);
// A command-line text as the bytes of the records' code page. POSIX: unchanged. Windows: the
// UTF-8 argument in the ANSI code page, as the C runtime hands arguments to a narrow main.
std::string recordCodePage(std::string_view argument);
// The file system takes names that differ only in letter case for one name (Windows).
bool namesFoldCase();

// While a name is set, an interrupt (Ctrl-C, Ctrl-Break, SIGINT, SIGTERM, SIGHUP) removes that
// file before it ends the program; an empty name sets none. POSIX ends the program by the
// signal (exit status 130 after Ctrl-C), Windows with STATUS_CONTROL_C_EXIT.
void removeOnInterrupt(const std::string& path);
// Interrupts wait while held (a commit moves files) and take effect when the last hold is
// released; holds nest.
void holdInterrupts();
void releaseInterrupts();
// A thread started while the interrupts were held keeps them held, so that they reach the main
// thread. Its own fault in reading a mapped file that another program cut short (SIGBUS) must
// still end the program as it does on the main thread: such a thread lets it through with this.
void allowFaultSignals();

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
// Opens an existing regular file for reading without ever waiting: a pipe, device or folder
// under the name gives kNoFile at once, like a name that cannot be opened.
int openRegularForReading(const std::string& path);
// Follows symbolic links from the name to the file they lead to: the name itself when it is no
// link, the last name reached when a link leads nowhere.
std::string resolveLinks(const std::string& path);
// Creates or truncates a regular file for writing without following a link: kIsLink when the
// name is a symbolic link or one of several hard links, kNoFile when it cannot be created or
// something other than a regular file holds the name (a pipe is never waited on).
inline constexpr int kIsLink = -3;
int createUnlinkedFile(const std::string& path);
// Creates or truncates a file for writing.
int createFile(const std::string& path);
// Creates a new file for reading and writing; never opens an existing one. Its permissions are
// those of `modeFrom` (when that names an existing file) plus reading and writing for the owner.
// kNameTaken when something already holds the name, kNoFile on any other failure.
inline constexpr int kNameTaken = -2;
int createNewFile(const std::string& path, const std::string& modeFrom);
// Gives an open file exactly the permissions of the file `from`; true when there is nothing to do.
bool copyPermissions(int fd, const std::string& from);
bool closeFile(int fd);

enum class LockResult { Locked, HeldElsewhere, Failed };
// Takes an exclusive lock on an open file without waiting. The lock lasts until the file is
// closed or the process ends, however it ends.
LockResult lockFile(int fd);
// The size of an open file in bytes; 0 when unknown.
std::uint64_t fileSize(int fd);

// Reads up to `size` bytes: the count, 0 at the end, -1 on an error.
long long readSome(int fd, char* buffer, std::size_t size);
// The first `size` bytes of an open regular file, mapped for reading from start to end;
// nullptr when it cannot be mapped. Another program that shortens the file meanwhile makes
// reading its lost end fail, so the program maps only files it reads at once from the start.
const char* mapForReading(int fd, std::uint64_t size);
void unmapFile(const char* bytes, std::uint64_t size);
// Part of a mapped file that is read no more: its memory may be given back (the bytes stay in
// the file). `bytes` and `size` are whole pages.
void releaseMappedBytes(const char* bytes, std::uint64_t size);
// True when a file may take another's name while the other is mapped (not so on Windows).
bool mappedFilesCanBeReplaced();

enum class WriteResult { Ok, Failed, BrokenPipe };
// Writes every byte, retrying short writes and waiting while a non-blocking file is full.
WriteResult writeAll(int fd, std::string_view bytes);
// Writes text meant for a person (messages, the usage text). POSIX: the bytes. Windows: to a
// console as Unicode, reading the text as UTF-8 and any byte that is no UTF-8 in the console's
// code page; anywhere else the bytes.
WriteResult writeText(int fd, std::string_view text);

// Direct writes: a large file written once from start to end, then synced, can send its
// bytes from the program's memory to the disk without keeping a copy in the system's file
// cache. Such writes take whole blocks of kDirectBlock bytes, from memory aligned to it, at
// offsets that are multiples of it.
inline constexpr std::size_t kDirectBlock = 4096;
// Turns direct writes on or off for an open file; false where the system or the file system
// has none (the file then takes ordinary writes, as before the call).
bool setDirectWrites(int fd, bool on);
// Writes whole blocks (`size` a multiple of kDirectBlock, `bytes` aligned to it) to a file
// whose direct writes are on. Should the file system turn down a direct write after all, the
// file's direct writes go off and the bytes take ordinary writes.
WriteResult writeDirect(int fd, const char* bytes, std::size_t size);

// Makes a file's bytes durable.
bool syncFile(int fd);
// Asks the system to start writing the bytes written to the file so far to the disk, without
// waiting for them, so that syncFile later has less to wait for. A hint: where the system has
// no such call, nothing happens.
void startWriteback(int fd);
// Makes a rename or link in the folder of `path` durable (nothing to do where not needed).
void syncFolderOf(const std::string& path);

bool removeFile(const std::string& path);
// Moves a file onto a name, replacing what is there in one step.
bool renameReplacing(const std::string& from, const std::string& to);
// A second name for an existing file; false where the file system has no links.
bool hardLink(const std::string& existing, const std::string& newName);

// Sets a file's modification date to today at the given local hour.
void setModificationHourToday(const std::string& path, int hour);

// A test seam, set by tests alone: file-system calls fail on demand, as a full disk, a lost
// permission or a kill would make them. Nothing in the program plans faults.
enum class FileCall { Create, Write, Sync, Rename, Link, Remove, Permissions, Lock, Read };
// Calls of one kind fail, from the first-th to the last-th counted from now (1-based; last 0:
// every one from the first-th on).
void failFileCalls(FileCall call, int first, int last);
// From the n-th call that changes a file on (every kind but Lock and Read), counted from now, every
// such call fails: the files stay as a kill just before that call would leave them.
void dieAtFileChange(int n);
// Ends every planned fault; returns the calls that changed files (or tried to) since the last
// plan.
int clearFileFaults();
// Counts a call and says whether it is to fail; called by the platform's own functions.
bool fileCallFails(FileCall call);

// Whether the large zeroed blocks of one owner go to huge pages. Huge pages are cheaper only
// while the system holds them cleared: under a hypervisor that takes freed memory back (free
// page reporting), one that was handed back takes 4.5 to 22 ms to fault in, against 0.09 ms for
// one freed a moment ago and 0.6 to 0.9 ms for the same 2 MiB in small pages. Such a
// machine keeps only some tens of MiB warm, so after seconds of idleness, and often right after a
// large run, a run's huge pages turn slow from some point on, and stay slow. So huge pages are
// faulted in at once and timed, and once they prove slow, the owner's memory goes to small
// pages:
// - in a block filled in order, the first huge page is timed, and when it is slow the rest of
//   the block and every later block get small pages;
// - in a block read at random (a hash table), every huge page is faulted in and timed, and two
//   slow ones in a row send the rest of the block and every later block to small pages. There
//   small pages cost address-translation misses on every look-up (a run of 10M keys took 8%
//   longer when one slow page sent its table to small pages), so one page that was slow by
//   chance, as happens now and then, does not decide.
// Arrays read at random that are allocated without a policy keep huge pages (the bool
// overload): sorting a 10M-line database took 1.29 times as long in small pages.
struct PagePolicy {
    bool hugePages = true;
    bool randomAccess = false;  // the blocks are read at random, not filled in order
};

// Large zeroed memory from the system, in huge pages while the policy asks for them; nullptr
// when there is none.
void* allocateZeroed(std::size_t bytes, PagePolicy& policy);
// The same without the probe: in huge pages where the system offers them unless hugePages is
// false.
void* allocateZeroed(std::size_t bytes, bool hugePages = true);
void releaseZeroed(void* memory, std::size_t bytes);

}  // namespace vestrel
