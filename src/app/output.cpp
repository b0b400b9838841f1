#include "app/output.h"

#include <unistd.h>

#include <cerrno>

namespace vestrel {

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void openWriter(BufferedWriter& writer, int fd, std::size_t capacity) {
    writer.fd = fd;
    writer.capacity = capacity;
    writer.failed = false;
    writer.brokenPipe = false;
    writer.buffer.clear();
    writer.buffer.reserve(capacity);
}

namespace {

void drain(BufferedWriter& writer) {
    if (writer.buffer.empty()) return;
    if (writer.fd >= 0 && !writer.failed) {
        errno = 0;
        if (!writeAll(writer.fd, writer.buffer)) {
            writer.failed = true;
            writer.brokenPipe = errno == EPIPE;
        }
    }
    writer.buffer.clear();
}

}  // namespace

void writeBytes(BufferedWriter& writer, std::string_view bytes) {
    if (writer.failed || writer.fd < 0) return;
    if (writer.buffer.size() + bytes.size() > writer.capacity) {
        drain(writer);
        if (bytes.size() > writer.capacity) {
            errno = 0;
            if (!writer.failed && !writeAll(writer.fd, bytes)) {
                writer.failed = true;
                writer.brokenPipe = errno == EPIPE;
            }
            return;
        }
    }
    writer.buffer.append(bytes);
}

void writeLine(BufferedWriter& writer, std::string_view line) {
    writeBytes(writer, line);
    writeBytes(writer, "\r\n");
}

bool flushWriter(BufferedWriter& writer) {
    drain(writer);
    return !writer.failed;
}

void writeError(std::string_view text) { (void)writeAll(STDERR_FILENO, text); }

}  // namespace vestrel
