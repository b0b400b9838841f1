#pragma once
// Reads a text file in large blocks and hands out its lines: a line ends at LF, CR bytes are
// never part of a line, a Ctrl-Z byte ends the file, a last line without LF counts.

#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

struct LineReader {
    int fd = -1;
    std::vector<char> block;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool atEof = false;  // no more bytes to read from fd
    bool ended = false;  // Ctrl-Z seen or all lines handed out
    bool readFailed = false;
    std::string carry;  // a line that spans blocks or holds CR bytes
};

// Opens a file for reading; false when it cannot be opened (a directory counts as such).
bool openLineReader(LineReader& reader, const std::string& path);
// Drops a UTF-8 byte-order mark (EF BB BF) at the very start of a file just opened.
void skipByteOrderMark(LineReader& reader);
// Next line without its line end; the view stays valid until the next call.
bool nextLine(LineReader& reader, std::string_view& line);
void closeLineReader(LineReader& reader);

}  // namespace vestrel
