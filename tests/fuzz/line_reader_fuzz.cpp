// libFuzzer target: the line reader against the obvious reading of the same bytes. The first
// byte picks a block size of 1 to 16 bytes, so that every CR, LF and Ctrl-Z of the file meets
// the block edges at every distance, and a line limit: the real one, or a small one that
// checks that no line over the limit is handed out and none within it is refused.
//     make fuzz
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "base/platform.h"
#include "reference_lines.h"
#include "scratch_folder.h"

namespace {

using namespace vestrel;

const std::string& scratchFile() {
    static const std::string path = (fuzzing::newScratchFolder("vestrel-lines-") / "file").string();
    return path;
}

void check(bool condition) {
    if (!condition) std::abort();
}

void readWithBlocks(std::size_t blockBytes, std::size_t maxLine,
                    const fuzzing::ReferenceLines& want) {
    LineReader reader;
    reader.blockBytes = blockBytes;
    reader.maxLineBytes = maxLine;
    check(openLineReader(reader, scratchFile()));
    std::string_view line;
    std::size_t n = 0;
    while (nextLine(reader, line)) {
        check(n < want.lines.size());
        check(line == want.lines[n]);
        check(line.size() <= maxLine);
        ++n;
    }
    if (reader.lineTooLong) {
        // Refused only for a line longer than the limit with its CR bytes.
        check(n < want.lines.size() && want.rawLengths[n] > maxLine);
    } else {
        check(n == want.lines.size());
        check(reader.ctrlZ == want.ctrlZ);
        check(textAfterCtrlZ(reader) == want.textAfterCtrlZ);
    }
    check(!reader.readFailed);
    closeLineReader(reader);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t block = 1 + (data[0] & 15);
    const std::size_t maxLine = (data[0] & 128) ? kMaxLineBytes : 4 + ((data[0] >> 4) & 7) * 4;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int fd = createFile(scratchFile());
    check(fd != kNoFile);
    check(writeAll(fd, bytes) == WriteResult::Ok);
    check(closeFile(fd));

    fuzzing::ReferenceLines want = fuzzing::referenceLines(bytes);
    // Lines past the first one over the limit are never reached.
    for (std::size_t n = 0; n < want.lines.size(); ++n) {
        if (want.lines[n].size() > maxLine) {
            want.lines.resize(n + 1);
            break;
        }
    }
    readWithBlocks(block, maxLine, want);
    return 0;
}
