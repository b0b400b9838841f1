#include "base/output.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "base/direct_writes.h"
#include "base/platform.h"

namespace vestrel {

void EndDirectWrites::operator()(DirectWrites* writes) const { delete writes; }

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
    directFrom = other.directFrom;
    fileBytes = other.fileBytes;
    direct = std::move(other.direct);
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
    writer.directFrom = 0;
    writer.fileBytes = 0;
    writer.direct.reset();
    writer.buffer.clear();
    writer.buffer.reserve(capacity);
}

namespace {

void noteFailure(BufferedWriter& writer, WriteResult result) {
    writer.failed = true;
    writer.brokenPipe = result == WriteResult::BrokenPipe;
}

// Turns direct writes on once the file has taken `directFrom` bytes, writing first the bytes
// that bring its end to a block boundary; leaves the bytes that go on in `bytes`. Where the
// file takes no direct writes the file goes on as before, and they are not tried again.
void startDirect(BufferedWriter& writer, std::string_view& bytes) {
    const std::size_t lead = (kDirectBlock - writer.fileBytes % kDirectBlock) % kDirectBlock;
    if (bytes.size() < lead) return;
    const WriteResult result = writeAll(writer.fd, bytes.substr(0, lead));
    if (result != WriteResult::Ok) {
        noteFailure(writer, result);
        return;
    }
    writer.fileBytes += lead;
    bytes.remove_prefix(lead);
    writer.direct.reset(DirectWrites::start(writer.fd).release());
    if (!writer.direct) writer.directFrom = 0;
}

// Writes what the direct writes still hold and turns them off.
void endDirect(BufferedWriter& writer) {
    if (!writer.direct) return;
    const WriteResult result = writer.direct->finish();
    writer.direct.reset();
    if (result != WriteResult::Ok) noteFailure(writer, result);
}

// Writes bytes straight to the writer's file, remembering a failure.
void writeThrough(BufferedWriter& writer, std::string_view bytes) {
    if (writer.directFrom != 0 && writer.fileBytes >= writer.directFrom && !writer.direct) {
        startDirect(writer, bytes);
        if (writer.failed) return;
    }
    if (writer.direct) {
        const WriteResult result = writer.direct->add(bytes);
        writer.fileBytes += bytes.size();
        if (result != WriteResult::Ok) noteFailure(writer, result);
        return;
    }
    const WriteResult result = writeAll(writer.fd, bytes);
    writer.fileBytes += bytes.size();
    if (result == WriteResult::Ok) {
        writer.unsentBytes += bytes.size();
        if (writer.writesBack && writer.unsentBytes >= kWritebackStep) {
            startWriteback(writer.fd);
            writer.unsentBytes = 0;
        }
        return;
    }
    noteFailure(writer, result);
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
    if (writer.direct) {
        // The direct writes gather the bytes themselves: no copy in between.
        if (writer.buffer.empty() && writer.direct->addToBlock(bytes)) {
            writer.fileBytes += bytes.size();
            return;
        }
        drain(writer);
        if (!writer.failed) writeThrough(writer, bytes);
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
    if (!writer.failed) endDirect(writer);
    return !writer.failed;
}

bool closeWriter(BufferedWriter& writer) {
    writer.direct.reset();  // before the file is closed: its thread may still write to it
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
