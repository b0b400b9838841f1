#pragma once
// Reads a text file in large blocks and hands out its lines: a line ends at LF, CR bytes are
// never part of a line, a Ctrl-Z byte ends the file, a last line without LF counts. A line
// longer than the limit ends the reading with `lineTooLong` set. A reader closes the file it
// owns and frees its block when it goes out of scope; it can be moved, never copied.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

inline constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxLineBytes = std::size_t{256} << 20;

struct LineReader {
    std::size_t blockBytes = kBlockBytes;
    std::size_t maxLineBytes = kMaxLineBytes;
    int fd = -1;
    bool ownsFile = true;  // closeLineReader closes fd; not so for standard input
    std::vector<char> block;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::uint64_t bytesRead = 0;  // read from fd so far
    bool atEof = false;           // no more bytes to read from fd
    bool ended = false;           // Ctrl-Z seen or all lines handed out
    bool readFailed = false;
    bool lineTooLong = false;
    bool ctrlZ = false;  // the reading ended at a Ctrl-Z byte
    std::string carry;   // a line that spans blocks or holds CR bytes

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
// Drops a UTF-8 byte-order mark (EF BB BF) at the very start of a file just opened.
void skipByteOrderMark(LineReader& reader);
// Next line without its line end; the view stays valid until the next call.
bool nextLine(LineReader& reader, std::string_view& line);
// After the reading ended at a Ctrl-Z: true when any byte other than Ctrl-Z, CR or LF follows
// it. Reads the file to its end.
bool textAfterCtrlZ(LineReader& reader);
// Closes the file when the reader owns it and frees the block; a closed reader hands out no
// lines.
void closeLineReader(LineReader& reader);

}  // namespace vestrel
