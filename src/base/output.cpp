#include "base/output.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "base/platform.h"

namespace vestrel {

BufferedWriter::BufferedWriter(BufferedWriter&& other) noexcept { *this = std::move(other); }

BufferedWriter& BufferedWriter::operator=(BufferedWriter&& other) noexcept {
    if (this == &other) return *this;
    (void)closeWriter(*this);
    fd = std::exchange(other.fd, kNoFile);
    buffer = std::move(other.buffer);
    capacity = other.capacity;
    failed = other.failed;
    brokenPipe = other.brokenPipe;
    ownsFile = other.ownsFile;
    writesBack = other.writesBack;
    unsentBytes = other.unsentBytes;
    return *this;
}

BufferedWriter::~BufferedWriter() { (void)closeWriter(*this); }

void openWriter(BufferedWriter& writer, int fd, std::size_t capacity, bool ownsFile) {
    if (writer.fd != fd) (void)closeWriter(writer);
    writer.fd = fd;
    writer.ownsFile = ownsFile;
    writer.capacity = capacity;
    writer.failed = false;
    writer.brokenPipe = false;
    writer.writesBack = false;
    writer.unsentBytes = 0;
    writer.buffer.clear();
    writer.buffer.reserve(capacity);
}

namespace {

// Writes bytes straight to the writer's file, remembering a failure.
void writeThrough(BufferedWriter& writer, std::string_view bytes) {
    const WriteResult result = writeAll(writer.fd, bytes);
    if (result == WriteResult::Ok) {
        writer.unsentBytes += bytes.size();
        if (writer.writesBack && writer.unsentBytes >= kWritebackStep) {
            startWriteback(writer.fd);
            writer.unsentBytes = 0;
        }
        return;
    }
    writer.failed = true;
    writer.brokenPipe = result == WriteResult::BrokenPipe;
}

void drain(BufferedWriter& writer) {
    if (writer.buffer.empty()) return;
    if (writer.fd != kNoFile && !writer.failed) writeThrough(writer, writer.buffer);
    writer.buffer.clear();
}

}  // namespace

void writeBytes(BufferedWriter& writer, std::string_view bytes) {
    if (writer.failed) return;
    if (writer.fd == kNoFile) {
        writer.failed = true;  // the file could not be opened: its bytes are lost
        return;
    }
    if (writer.buffer.size() + bytes.size() > writer.capacity) {
        drain(writer);
        if (bytes.size() > writer.capacity) {
            if (!writer.failed) writeThrough(writer, bytes);
            return;
        }
    }
    writer.buffer.append(bytes);
}

void writeLine(BufferedWriter& writer, std::string_view line) {
    writeBytes(writer, line);
    writeBytes(writer, "\r\n");
}

void writePiecesSlowly(BufferedWriter& writer, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) writeBytes(writer, piece);  // drains as it goes
}

bool flushWriter(BufferedWriter& writer) {
    drain(writer);
    return !writer.failed;
}

bool closeWriter(BufferedWriter& writer) {
    const bool closed = writer.fd == kNoFile || !writer.ownsFile || closeFile(writer.fd);
    writer.fd = kNoFile;
    std::string().swap(writer.buffer);
    return closed;
}

void writeError(std::string_view text) { (void)writeText(kStandardError, text); }

void appendElapsedSeconds(std::string& out, std::chrono::steady_clock::time_point start) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    out.append(buf, res.ptr);
}

}  // namespace vestrel
