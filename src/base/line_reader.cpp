#include "base/line_reader.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "base/platform.h"

namespace vestrel {

namespace {

// Reads the next block into the buffer; false when no bytes are left.
bool refill(LineReader& reader) {
    reader.begin = 0;
    reader.end = 0;
    if (reader.atEof) return false;
    const long long n = readSome(reader.fd, reader.block.data(), reader.block.size());
    if (n <= 0) {
        reader.readFailed = n < 0;
        reader.atEof = true;
        return false;
    }
    reader.end = static_cast<std::size_t>(n);
    reader.bytesRead += std::uint64_t(n);
    return true;
}

// Appends bytes to the carried line, leaving out every CR; false when the line would pass the
// limit.
bool appendToCarry(LineReader& reader, const char* p, std::size_t n) {
    if (n > reader.maxLineBytes || reader.carry.size() > reader.maxLineBytes - n) {
        reader.lineTooLong = true;
        reader.ended = true;
        return false;
    }
    std::string& out = reader.carry;
    const char* stop = p + n;
    while (p < stop) {
        const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(stop - p));
        const char* upto = cr ? static_cast<const char*>(cr) : stop;
        out.append(p, upto);
        p = cr ? upto + 1 : stop;
    }
    return true;
}

// Ctrl-Z: the end of the text, even when bytes follow it.
constexpr char kEndOfText = 26;

// Finds the first LF or Ctrl-Z in [p, p+n).
const char* findLineStop(const char* p, std::size_t n) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', n));
    std::size_t scan = lf ? static_cast<std::size_t>(lf - p) : n;
    const char* eof = static_cast<const char*>(std::memchr(p, kEndOfText, scan));
    return eof ? eof : lf;
}

}  // namespace

LineReader::LineReader(LineReader&& other) noexcept { *this = std::move(other); }

LineReader& LineReader::operator=(LineReader&& other) noexcept {
    if (this == &other) return *this;
    closeLineReader(*this);
    blockBytes = other.blockBytes;
    maxLineBytes = other.maxLineBytes;
    fd = std::exchange(other.fd, kNoFile);
    ownsFile = other.ownsFile;
    block = std::move(other.block);
    begin = std::exchange(other.begin, 0);
    end = std::exchange(other.end, 0);
    bytesRead = other.bytesRead;
    atEof = other.atEof;
    ended = std::exchange(other.ended, true);  // the moved-from reader hands out no lines
    readFailed = other.readFailed;
    lineTooLong = other.lineTooLong;
    ctrlZ = other.ctrlZ;
    carry = std::move(other.carry);
    return *this;
}

LineReader::~LineReader() { closeLineReader(*this); }

void readOpenFile(LineReader& reader, int fd, bool ownsFile) {
    if (reader.fd != kNoFile && reader.ownsFile && reader.fd != fd) (void)closeFile(reader.fd);
    reader.fd = fd;
    reader.ownsFile = ownsFile;
    // A small file needs a block of its own size only, plus a byte to meet its end.
    const std::uint64_t size = fileSize(fd);
    reader.block.resize(size > 0 && size < reader.blockBytes ? static_cast<std::size_t>(size) + 1
                                                             : reader.blockBytes);
    reader.begin = reader.end = 0;
    reader.atEof = reader.ended = reader.readFailed = false;
    reader.lineTooLong = reader.ctrlZ = false;
    reader.carry.clear();
}

bool openLineReader(LineReader& reader, const std::string& path, bool regularOnly) {
    const int fd = regularOnly ? openRegularForReading(path) : openForReading(path);
    if (fd == kNoFile) return false;
    readOpenFile(reader, fd, true);
    return true;
}

void skipByteOrderMark(LineReader& reader) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    // A pipe may hand out fewer bytes than the mark at first.
    while (reader.end < kMark.size() && !reader.atEof) {
        const long long n =
            readSome(reader.fd, reader.block.data() + reader.end, reader.block.size() - reader.end);
        if (n <= 0) {
            reader.readFailed = n < 0;
            reader.atEof = true;
            break;
        }
        reader.end += static_cast<std::size_t>(n);
        reader.bytesRead += std::uint64_t(n);
    }
    if (std::string_view(reader.block.data(), reader.end).starts_with(kMark)) {
        reader.begin = kMark.size();
    }
}

bool nextLine(LineReader& reader, std::string_view& line) {
    if (reader.ended) return false;
    bool carrying = false;
    reader.carry.clear();
    while (true) {
        if (reader.begin == reader.end && !refill(reader)) {
            reader.ended = true;
            if (!carrying) return false;
            line = reader.carry;  // a last line without LF
            return true;
        }
        const char* base = reader.block.data() + reader.begin;
        const std::size_t avail = reader.end - reader.begin;
        const char* stop = findLineStop(base, avail);
        if (stop == nullptr) {
            if (!appendToCarry(reader, base, avail)) return false;
            carrying = true;
            reader.begin = reader.end;
            continue;
        }
        const std::size_t len = static_cast<std::size_t>(stop - base);
        const bool ctrlZ = *stop == kEndOfText;
        reader.begin += len + 1;
        if (ctrlZ) {
            reader.ended = true;
            reader.ctrlZ = true;
            // Bytes before the Ctrl-Z on its line still form the last line.
            if (len == 0 && !carrying) return false;
        }
        if (!carrying) {
            // The common CR LF ending needs no copy: the line is the bytes before the CR.
            const std::size_t text = (len > 0 && base[len - 1] == '\r') ? len - 1 : len;
            if (text <= reader.maxLineBytes && std::memchr(base, '\r', text) == nullptr) {
                line = std::string_view(base, text);
                return true;
            }
        }
        if (!appendToCarry(reader, base, len)) return false;
        line = reader.carry;
        return true;
    }
}

bool textAfterCtrlZ(LineReader& reader) {
    if (!reader.ctrlZ) return false;
    do {
        for (std::size_t i = reader.begin; i < reader.end; ++i) {
            const char c = reader.block[i];
            if (c != 26 && c != '\r' && c != '\n') return true;
        }
    } while (refill(reader));
    return false;
}

void closeLineReader(LineReader& reader) {
    if (reader.fd != kNoFile && reader.ownsFile) (void)closeFile(reader.fd);
    reader.fd = kNoFile;
    reader.begin = reader.end = 0;
    reader.ended = true;
    reader.block.clear();
    reader.block.shrink_to_fit();
}

}  // namespace vestrel
