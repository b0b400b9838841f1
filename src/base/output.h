#pragma once
// Buffered writers over file descriptors: one large buffer for standard output and the files
// the program writes, unbuffered writes for standard error.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "base/platform.h"

namespace vestrel {

class DirectWrites;
struct EndDirectWrites {
    void operator()(DirectWrites* writes) const;  // drops what they still hold
};

// A writer closes the file it owns when it goes out of scope, without writing what is still
// buffered: only flushWriter says whether the bytes arrived. It can be moved, never copied.
struct BufferedWriter {
    int fd = -1;
    std::string buffer;
    std::size_t capacity = 0;
    bool failed = false;      // a write failed (disk full, I/O error, file size limit)
    bool brokenPipe = false;  // the reader of a pipe went away
    bool ownsFile = false;    // closeWriter closes fd; not so for standard output
    // A file that is synced at the end has its bytes sent to the disk while it is written
    // (startWriteback), every kWritebackStep bytes.
    bool writesBack = false;
    std::uint64_t unsentBytes = 0;  // written since the last startWriteback
    // A file written once from start to end and synced may take its bytes past `directFrom`
    // (0: none) as direct writes: a large database then goes to the disk without a copy in
    // the system's file cache, which can cost the system more than the writes themselves.
    std::uint64_t directFrom = 0;
    std::uint64_t fileBytes = 0;  // handed to the file, direct writes included
    std::unique_ptr<DirectWrites, EndDirectWrites> direct;  // while direct writes are on

    BufferedWriter() = default;
    BufferedWriter(BufferedWriter&& other) noexcept;
    BufferedWriter& operator=(BufferedWriter&& other) noexcept;
    ~BufferedWriter();
};

// Starts writing to an open file; with `ownsFile` the writer closes it. A file the writer owned
// before is closed.
void openWriter(BufferedWriter& writer, int fd, std::size_t capacity, bool ownsFile);
// The bytes a writer that writes back hands over between two startWriteback calls.
inline constexpr std::uint64_t kWritebackStep = std::uint64_t{8} << 20;
// Appends bytes; flushes in big chunks when the buffer fills. A writer without a file fails.
void writeBytes(BufferedWriter& writer, std::string_view bytes);
void writeLine(BufferedWriter& writer, std::string_view line);  // line + CR LF
// Writes the pieces one after another, as writeBytes would each; for a buffer that has to be
// drained first, or a writer that fails.
void writePiecesSlowly(BufferedWriter& writer, std::initializer_list<std::string_view> pieces);
// Writes the pieces one after another, with one test of the room left for all of them. Inline:
// the output line and the log line of each record come this way, and at the call the pieces
// are known, so the list costs nothing.
inline void writePieces(BufferedWriter& writer, std::initializer_list<std::string_view> pieces) {
    std::size_t total = 0;
    for (std::string_view piece : pieces) total += piece.size();
    if (writer.failed || writer.fd == kNoFile || writer.buffer.size() + total > writer.capacity) {
        writePiecesSlowly(writer, pieces);
        return;
    }
    for (std::string_view piece : pieces) writer.buffer.append(piece);
}
// Writes what is buffered. False when any write of this writer has failed.
bool flushWriter(BufferedWriter& writer);
// Closes the file when the writer owns it and drops what is still buffered; false when the
// close failed. A closed writer fails every later write.
bool closeWriter(BufferedWriter& writer);

// Appends the seconds since `start` with two decimals, as the closing reports show them.
void appendElapsedSeconds(std::string& out, std::chrono::steady_clock::time_point start);

// Standard error: written at once (each call is one flushed piece). Failures are ignored.
void writeError(std::string_view text);

}  // namespace vestrel
