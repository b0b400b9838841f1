#pragma once
// Reads a text file in large blocks and hands out its lines: a line ends at LF, CR bytes are
// never part of a line, a Ctrl-Z byte ends the file, a last line without LF counts. A line
// longer than the limit ends the reading with `lineTooLong` set. A reader closes the file it
// owns and frees its block when it goes out of scope; it can be moved, never copied.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

inline constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxLineBytes = std::size_t{256} << 20;
// A regular file at least this large is read through a mapping of the whole file instead of
// in blocks, where the reader allows it: the kernel copies nothing.
inline constexpr std::uint64_t kMapMinBytes = std::uint64_t{4} << 20;

// A file mapped whole for reading; unmapped when the last owner lets it go, so that what is
// kept of its bytes outlives the reader that mapped it.
struct MappedFile {
    const char* bytes = nullptr;
    std::uint64_t size = 0;

    MappedFile(const char* mappedBytes, std::uint64_t mappedSize)
        : bytes(mappedBytes), size(mappedSize) {}
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();
};

struct LineReader {
    std::size_t blockBytes = kBlockBytes;
    std::size_t maxLineBytes = kMaxLineBytes;
    int fd = -1;
    bool ownsFile = true;         // closeLineReader closes fd; not so for standard input
    bool mapsLargeFiles = false;  // a large file it opens is read mapped (kMapMinBytes)
    std::vector<char> block;
    const char* bytes = nullptr;    // the bytes at hand: the block, or the whole mapped file
    std::uint64_t mappedBytes = 0;  // the size of the mapped file; 0 when read in blocks
    std::shared_ptr<const MappedFile> mapping;  // owns the mapped file; none in a view
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t lastStop = 0;     // just after the last LF or Ctrl-Z of the bytes at hand
    std::size_t released = 0;     // a mapped file's bytes before this are given back
    std::uint64_t bytesRead = 0;  // read from fd so far
    bool atEof = false;           // no more bytes to read from fd
    bool ended = false;           // Ctrl-Z seen or all lines handed out
    bool readFailed = false;
    bool lineTooLong = false;
    bool ctrlZ = false;        // the reading ended at a Ctrl-Z byte
    std::string carry;         // a line that spans blocks or holds CR bytes
    bool lineCarried = false;  // the line handed out last is `carry`, not bytes at hand

    LineReader() = default;
    LineReader(LineReader&& other) noexcept;
    LineReader& operator=(LineReader&& other) noexcept;
    ~LineReader();
};

// Opens a file for reading; false when it cannot be opened (a directory counts as such). With
// `regularOnly` a pipe or device counts as such too, and is never waited on.
bool openLineReader(LineReader& reader, const std::string& path, bool regularOnly = false);
// Reads a file that is open already, from where it stands; closing the reader closes the file
// only when the reader owns it (standard input stays open). A file the reader owned before is
// closed.
void readOpenFile(LineReader& reader, int fd, bool ownsFile);
// Hands out the lines of a file that `mapped` reads mapped whole, from byte `from` on, the start
// of a line, as `mapped` would; the view shares the mapping, which stays `mapped`'s to give back,
// so `mapped` must outlive the lines. Lets threads read stretches of one file side by side.
void viewMappedLines(LineReader& view, const LineReader& mapped, std::size_t from);
// Drops a UTF-8 byte-order mark (EF BB BF) at the very start of a file just opened.
void skipByteOrderMark(LineReader& reader);
// Next line without its line end; the view stays valid until the next call.
bool nextLine(LineReader& reader, std::string_view& line);
// The next line lies whole in the bytes at hand, so reading it reads nothing from the file
// and the lines handed out before it keep their bytes.
inline bool nextLineAtHand(const LineReader& reader) { return reader.begin < reader.lastStop; }
// Hands out the next line as nextLine would when the bytes at hand begin with `raw`: the line
// (its first `lineLength` bytes) and the LF or CR LF that ended it, bytes that nextLine handed
// out as one line before. False, with nothing read, when they do not.
inline bool takeKnownLine(LineReader& reader, std::string_view raw, std::size_t lineLength,
                          std::string_view& line) {
    if (reader.ended || raw.empty() || reader.end - reader.begin < raw.size() ||
        lineLength > reader.maxLineBytes) {
        return false;
    }
    const char* base = reader.bytes + reader.begin;
    if (std::memcmp(base, raw.data(), raw.size()) != 0) return false;
    reader.begin += raw.size();
    reader.lineCarried = false;
    line = std::string_view(base, lineLength);
    return true;
}
// The line handed out last stays valid as long as the bytes at hand do: it is no copy.
inline bool lineAtHand(const LineReader& reader) { return !reader.lineCarried; }
// The lines handed out so far are in use no more: a mapped file gives back the memory of the
// part read, so that a large file never stays resident whole.
void releaseLinesRead(LineReader& reader);
// After the reading ended at a Ctrl-Z: true when any byte other than Ctrl-Z, CR or LF follows
// it. Reads the file to its end.
bool textAfterCtrlZ(LineReader& reader);
// Closes the file when the reader owns it and frees the block; a closed reader hands out no
// lines.
void closeLineReader(LineReader& reader);

}  // namespace vestrel
