#pragma once
// The lines of a text file read the slow, obvious way, for the fuzz targets to hold the
// block-wise line reader against: a line ends at LF, CR bytes are dropped, a Ctrl-Z ends the
// file, and the bytes before a Ctrl-Z or the end on their line form a last line when there
// are any.

#include <string>
#include <string_view>
#include <vector>

namespace vestrel::fuzzing {

struct ReferenceLines {
    std::vector<std::string> lines;
    std::vector<std::size_t> rawLengths;  // bytes of each line with its CR bytes
    bool ctrlZ = false;
    bool textAfterCtrlZ = false;  // a byte other than Ctrl-Z, CR, LF after the first Ctrl-Z
};

inline ReferenceLines referenceLines(std::string_view bytes) {
    ReferenceLines out;
    std::string line;
    std::size_t raw = 0;
    std::size_t i = 0;
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == 26) {
            out.ctrlZ = true;
            break;
        }
        if (c == '\n') {
            out.lines.push_back(line);
            out.rawLengths.push_back(raw);
            line.clear();
            raw = 0;
            continue;
        }
        ++raw;
        if (c != '\r') line.push_back(c);
    }
    if (raw > 0) {
        out.lines.push_back(line);
        out.rawLengths.push_back(raw);
    }
    for (++i; out.ctrlZ && i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != 26 && c != '\r' && c != '\n') out.textAfterCtrlZ = true;
    }
    return out;
}

}  // namespace vestrel::fuzzing
