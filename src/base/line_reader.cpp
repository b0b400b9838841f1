#include "base/line_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "base/platform.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vestrel {

namespace {

// Ctrl-Z: the end of the text, even when bytes follow it.
constexpr char kEndOfText = 26;

// Finds where the last whole line of the bytes at hand ends.
void findLastStop(LineReader& reader) {
    std::size_t i = reader.end;
    while (i > reader.begin && reader.bytes[i - 1] != '\n' && reader.bytes[i - 1] != kEndOfText) {
        --i;
    }
    reader.lastStop = i;
}

// Reads the next block into the buffer; false when no bytes are left.
bool refill(LineReader& reader) {
    reader.begin = 0;
    reader.end = 0;
    reader.lastStop = 0;
    if (reader.atEof) return false;
    const long long n = readSome(reader.fd, reader.block.data(), reader.block.size());
    if (n <= 0) {
        reader.readFailed = n < 0;
        reader.atEof = true;
        return false;
    }
    reader.bytes = reader.block.data();
    reader.end = static_cast<std::size_t>(n);
    reader.bytesRead += std::uint64_t(n);
    findLastStop(reader);
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

// Finds the first LF or Ctrl-Z in [p, p+n).
const char* findLineStop(const char* p, std::size_t n) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', n));
    std::size_t scan = lf ? static_cast<std::size_t>(lf - p) : n;
    const char* eof = static_cast<const char*>(std::memchr(p, kEndOfText, scan));
    return eof ? eof : lf;
}

// Where the first LF, CR or Ctrl-Z of [p + i, p + n) stands, a byte at a time; n when there is
// none.
std::size_t firstLineByteFrom(const char* p, std::size_t i, std::size_t n) {
    for (; i < n; ++i) {
        if (p[i] == '\n' || p[i] == '\r' || p[i] == kEndOfText) return i;
    }
    return n;
}

#if defined(__SSE2__)
// A mask of the bytes of [p, p+16) that are LF, CR or Ctrl-Z, bit i for byte i.
unsigned lineBytes16(const char* p) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i lf = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
    const __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
    const __m128i end = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(kEndOfText));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(lf, cr), end)));
}

// All bytes of 0xFF where [p, p+16) holds a byte below 0x1B, 0 elsewhere.
__m128i lowBytes16(const char* p) {
    const __m128i top = _mm_set1_epi8(kEndOfText);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_cmpeq_epi8(_mm_max_epu8(bytes, top), top);
}

// Where the first LF, CR or Ctrl-Z of [p, p+n) stands; n when there is none. LF, CR and Ctrl-Z
// all lie below 0x1B, so one unsigned maximum and compare per 16 bytes passes over the text of
// a line, and only a block that holds a control byte (its line end, mostly) gets the exact
// test. The last bytes that fill no block go one at a time: nothing past p+n is read.
std::size_t firstLineByte(const char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        if (_mm_movemask_epi8(lowBytes16(p + i)) == 0) continue;
        const unsigned mask = lineBytes16(p + i);
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
    return firstLineByteFrom(p, i, n);
}
#else
// Where the first LF, CR or Ctrl-Z of [p, p+n) stands; n when there is none.
std::size_t firstLineByte(const char* p, std::size_t n) { return firstLineByteFrom(p, 0, n); }
#endif

}  // namespace

MappedFile::~MappedFile() { unmapFile(bytes, size); }

LineReader::LineReader(LineReader&& other) noexcept { *this = std::move(other); }

LineReader& LineReader::operator=(LineReader&& other) noexcept {
    if (this == &other) return *this;
    closeLineReader(*this);
    blockBytes = other.blockBytes;
    maxLineBytes = other.maxLineBytes;
    fd = std::exchange(other.fd, kNoFile);
    ownsFile = other.ownsFile;
    mapsLargeFiles = other.mapsLargeFiles;
    block = std::move(other.block);  // a moved vector keeps its buffer, so `bytes` stays valid
    bytes = std::exchange(other.bytes, nullptr);
    mappedBytes = std::exchange(other.mappedBytes, 0);
    mapping = std::move(other.mapping);  // the mapping now belongs to this reader
    begin = std::exchange(other.begin, 0);
    end = std::exchange(other.end, 0);
    lastStop = std::exchange(other.lastStop, 0);
    released = std::exchange(other.released, 0);
    bytesRead = other.bytesRead;
    atEof = other.atEof;
    ended = std::exchange(other.ended, true);  // the moved-from reader hands out no lines
    readFailed = other.readFailed;
    lineTooLong = other.lineTooLong;
    ctrlZ = other.ctrlZ;
    carry = std::move(other.carry);
    lineCarried = other.lineCarried;
    return *this;
}

LineReader::~LineReader() { closeLineReader(*this); }

void readOpenFile(LineReader& reader, int fd, bool ownsFile) {
    if (reader.fd != kNoFile && reader.ownsFile && reader.fd != fd) (void)closeFile(reader.fd);
    reader.mapping.reset();
    reader.mappedBytes = 0;
    reader.fd = fd;
    reader.ownsFile = ownsFile;
    reader.begin = reader.end = reader.lastStop = reader.released = 0;
    reader.atEof = reader.ended = reader.readFailed = false;
    reader.lineTooLong = reader.ctrlZ = reader.lineCarried = false;
    reader.carry.clear();
    reader.bytes = nullptr;
    const std::uint64_t size = fileSize(fd);
    // A file the reader opened itself stands at its start: a large one is read mapped. The
    // kernel's copy into the block was 14% of make bench's duplicate-heavy run; mapped, the
    // page faults take most of that back: 1-2% less CPU than 1 MB reads on each shape.
    if (reader.mapsLargeFiles && ownsFile && size >= kMapMinBytes && size >= reader.blockBytes) {
        reader.bytes = mapForReading(fd, size);
        if (reader.bytes != nullptr) {
            try {
                reader.mapping = std::make_shared<const MappedFile>(reader.bytes, size);
            } catch (const std::bad_alloc&) {
                unmapFile(reader.bytes, size);  // read in blocks instead
                reader.bytes = nullptr;
            }
        }
        if (reader.bytes != nullptr) {
            reader.mappedBytes = size;
            reader.end = static_cast<std::size_t>(size);
            reader.bytesRead += size;
            reader.atEof = true;
            findLastStop(reader);
            return;
        }
    }
    // A small file needs a block of its own size only, plus a byte to meet its end.
    reader.block.resize(size > 0 && size < reader.blockBytes ? static_cast<std::size_t>(size) + 1
                                                             : reader.blockBytes);
}

bool openLineReader(LineReader& reader, const std::string& path, bool regularOnly) {
    const int fd = regularOnly ? openRegularForReading(path) : openForReading(path);
    if (fd == kNoFile) return false;
    readOpenFile(reader, fd, true);
    return true;
}

void viewMappedLines(LineReader& view, const LineReader& mapped, std::size_t from) {
    closeLineReader(view);
    view.maxLineBytes = mapped.maxLineBytes;
    view.bytes = mapped.bytes;
    view.end = mapped.end;
    view.begin = std::min(from, mapped.end);
    view.lastStop = mapped.lastStop;
    view.atEof = true;  // every byte is at hand
    view.ended = view.readFailed = view.lineTooLong = view.ctrlZ = view.lineCarried = false;
    view.carry.clear();
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
        reader.bytes = reader.block.data();
        reader.end += static_cast<std::size_t>(n);
        reader.bytesRead += std::uint64_t(n);
        findLastStop(reader);
    }
    if (std::string_view(reader.bytes, reader.end).starts_with(kMark)) {
        reader.begin = kMark.size();
    }
}

namespace {

// Hands out the usual line: at hand, ended by LF or CR LF, no other CR and no Ctrl-Z in it.
// It needs none of the carried line's upkeep.
bool usualLine(LineReader& reader, std::string_view& line) {
    const char* base = reader.bytes + reader.begin;
    const std::size_t avail = reader.end - reader.begin;
    const std::size_t text = firstLineByte(base, avail);
    std::size_t len = avail;  // no usual line end found
    if (text < avail && base[text] == '\n') {
        len = text;
    } else if (text + 1 < avail && base[text] == '\r' && base[text + 1] == '\n') {
        len = text + 1;
    }
    if (len == avail || text > reader.maxLineBytes) return false;
    reader.begin += len + 1;
    line = std::string_view(base, text);
    reader.lineCarried = false;
    return true;
}

// Next line, whatever it holds and wherever it ends: one ended by the end of the bytes at hand,
// one that holds CR bytes or a Ctrl-Z, one that spans blocks, and the usual line too. Kept out
// of nextLine, whose usual line then needs no registers saved.
[[gnu::noinline]] bool nextAnyLine(LineReader& reader, std::string_view& line) {
    bool carrying = false;
    reader.carry.clear();
    reader.lineCarried = true;  // unless the line turns out to be bytes at hand
    while (true) {
        if (reader.begin == reader.end && !refill(reader)) {
            reader.ended = true;
            if (!carrying) return false;
            line = reader.carry;  // a last line without LF
            return true;
        }
        const char* base = reader.bytes + reader.begin;
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
                reader.lineCarried = false;
                return true;
            }
        }
        if (!appendToCarry(reader, base, len)) return false;
        line = reader.carry;
        return true;
    }
}

}  // namespace

bool nextLine(LineReader& reader, std::string_view& line) {
    if (reader.ended) return false;
    return usualLine(reader, line) || nextAnyLine(reader, line);
}

void releaseLinesRead(LineReader& reader) {
    // Whole steps of the mapping, which starts on a page: their ends are page ends too.
    constexpr std::size_t kReleaseStep = std::size_t{8} << 20;
    if (reader.mappedBytes == 0) return;
    const std::size_t upto = reader.begin / kReleaseStep * kReleaseStep;
    if (upto <= reader.released) return;
    releaseMappedBytes(reader.bytes + reader.released, upto - reader.released);
    reader.released = upto;
}

bool textAfterCtrlZ(LineReader& reader) {
    if (!reader.ctrlZ) return false;
    do {
        for (std::size_t i = reader.begin; i < reader.end; ++i) {
            const char c = reader.bytes[i];
            if (c != 26 && c != '\r' && c != '\n') return true;
        }
    } while (refill(reader));
    return false;
}

void closeLineReader(LineReader& reader) {
    reader.mapping.reset();
    reader.mappedBytes = 0;
    reader.bytes = nullptr;
    reader.begin = reader.end = reader.lastStop = 0;
    if (reader.fd != kNoFile && reader.ownsFile) (void)closeFile(reader.fd);
    reader.fd = kNoFile;
    reader.begin = reader.end = 0;
    reader.ended = true;
    reader.block.clear();
    reader.block.shrink_to_fit();
}

}  // namespace vestrel
