#include "report/line_fetch.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kFetchBlock = std::size_t{1} << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Appends a piece of a line, without its CR bytes, while the text is under the limit.
void appendPiece(std::string& text, const char* begin, const char* end, std::size_t limit) {
    for (const char* p = begin; p < end && text.size() < limit; ++p) {
        if (*p != '\r') text.push_back(*p);
    }
}

struct Fetch {
    const std::vector<std::int64_t>& lines;
    std::size_t limit;
    std::vector<std::optional<std::string>> texts;
    std::size_t next = 0;   // the wanted line looked for
    std::int64_t line = 1;  // the line the next byte belongs to
    std::string current;    // the wanted line so far
    bool done() const { return next == lines.size(); }
};

// Sixteen bytes as one value of the compiler's vector extension: one SSE2 compare on x86-64.
using Bytes16 = char __attribute__((vector_size(16)));
constexpr std::size_t kCountedBytes = 256;

// The LF bytes among the 256 at p, sixteen compared at a time.
std::int64_t countLineFeeds(const char* p) {
    const Bytes16 lfs = Bytes16{} + '\n';  // a scalar added to every byte
    Bytes16 counts{};                      // up to 16 in each byte
    for (std::size_t i = 0; i < kCountedBytes; i += 16) {
        Bytes16 bytes;
        std::memcpy(&bytes, p + i, 16);
        counts -= (bytes == lfs);  // a match is -1
    }
    std::uint64_t halves[2];
    std::memcpy(halves, &counts, 16);
    // The eight byte counts of a half add up in its top byte: at most 128.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    return std::int64_t((halves[0] * kOnes >> 56) + (halves[1] * kOnes >> 56));
}

// Passes over the lines before the wanted one, counting whole runs of bytes whose lines all
// come before it; the start of the wanted line, or the end of the bytes.
const char* skipLines(Fetch& f, const char* p, const char* end) {
    const std::int64_t wanted = f.lines[f.next];
    while (end - p >= std::ptrdiff_t(kCountedBytes)) {
        const std::int64_t feeds = countLineFeeds(p);
        if (f.line + feeds >= wanted) break;
        f.line += feeds;
        p += kCountedBytes;
    }
    while (f.line < wanted) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        if (newline == nullptr) return end;  // the line goes on in the next block
        ++f.line;
        p = newline + 1;
    }
    return p;
}

// Takes the bytes of one block; false once all lines are fetched or the file has ended at a
// Ctrl-Z byte. The run read nothing after a Ctrl-Z, so only a wanted line is searched for one.
bool takeBlock(Fetch& f, const char* p, const char* end) {
    while (p < end && !f.done()) {
        if (f.line > f.lines[f.next]) return false;  // a line before the first: never met
        if (f.line < f.lines[f.next]) {
            p = skipLines(f, p, end);
            continue;
        }
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = newline != nullptr ? newline : end;
        const char* ctrlZ =
            static_cast<const char*>(std::memchr(p, '\x1A', std::size_t(lineEnd - p)));
        appendPiece(f.current, p, ctrlZ != nullptr ? ctrlZ : lineEnd, f.limit);
        if (ctrlZ != nullptr) {
            f.texts[f.next++] = std::move(f.current);
            return false;
        }
        if (newline == nullptr) return true;  // the line goes on in the next block
        f.texts[f.next++] = std::move(f.current);
        f.current.clear();
        ++f.line;
        p = newline + 1;
    }
    return !f.done();
}

}  // namespace

std::vector<std::optional<std::string>> fetchLines(const std::string& path,
                                                   const std::vector<std::int64_t>& lines,
                                                   std::size_t limit) {
    Fetch f{lines, limit, std::vector<std::optional<std::string>>(lines.size()), 0, 1, {}};
    if (lines.empty()) return f.texts;
    const int fd = openForReading(path);
    if (fd == kNoFile) return f.texts;
    const auto block = std::make_unique_for_overwrite<char[]>(kFetchBlock);
    bool first = true;
    bool more = true;
    long long got = 0;
    while (more && (got = readSome(fd, block.get(), kFetchBlock)) > 0) {
        const char* p = block.get();
        const char* const end = p + got;
        if (first && std::size_t(got) >= kByteOrderMark.size() &&
            std::memcmp(p, kByteOrderMark.data(), kByteOrderMark.size()) == 0) {
            p += kByteOrderMark.size();
        }
        first = false;
        more = takeBlock(f, p, end);
    }
    // A last line without LF counts.
    if (more && got == 0 && !f.done() && f.line == f.lines[f.next]) {
        f.texts[f.next++] = std::move(f.current);
    }
    (void)closeFile(fd);
    return f.texts;
}

}  // namespace vestrel
