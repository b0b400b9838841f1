#pragma once
// The input files of a record run: every file named, in the order given, read as one stream
// of lines, or the default file. Each file keeps its own type and is read as if it stood
// alone: a Ctrl-Z ends only its file, and a PGN header does not reach into the next file.
// "-" names standard input, whose type --type gives.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/files.h"
#include "base/line_reader.h"
#include "base/settings.h"
#include "input/record_reader.h"

namespace vestrel {

struct InputFile {
    std::string name;  // as given; "-" for standard input
    InputKind kind = InputKind::Epd;
    std::uint64_t bytes = 0;  // its size when it was checked; 0 when unknown
};

// The files of the run, read one after the other. The first one is open from its check on;
// each later one is opened when its turn comes.
struct InputStream {
    std::vector<InputFile> files;
    std::size_t current = 0;      // the file being read
    LineReader reader;            // the file being read
    std::int64_t lineNumber = 0;  // the current file's lines read so far
    bool lineTooLong = false;
    bool readFailed = false;         // a read of the current file failed
    std::string failed;              // a file that could not be opened when its turn came
    std::string_view missingColumn;  // a CSV file's header lacks this needed column
};

// Checks every input file before anything is read: its type by its ending (standard input's by
// --type), that it opens, and that standard output does not write into it. Fills the stream
// and leaves its first file open; on failure `failedName` is the file at fault.
FileStatus checkInputFiles(const RunSettings& settings, InputStream& input,
                           std::string& failedName);

// True when an input file is the database file: the same name in upper case, or the same file.
bool inputIsDatabase(const InputStream& input, const std::string& database);

// Keys the input files may bring, guessed from their sizes, so that the seen set can make
// room for them at once.
std::uint64_t expectedInputKeys(const InputStream& input);

// The name of the file being read.
inline const std::string& currentInputName(const InputStream& input) {
    return input.files[input.current].name;
}

// Prepares the first file for reading: its kind, a note when standard input is a terminal, and
// a CSV file's header line; false when that header lacks a needed column (`missingColumn`).
bool beginInput(InputStream& input, ReaderState& state);
// What nextInputLine does when the reader has no line left.
bool endOfInputLines(InputStream& input, const ReaderState& state, std::string_view& line);
// The next line of the file being read; at its end, once, an empty line when a PGN record
// still waits for the end of its header. False at the end of the file, and when a read
// failed (`readFailed`) or a line is over the limit (`lineTooLong`). Inline: it is asked for
// every line.
inline bool nextInputLine(InputStream& input, const ReaderState& state, std::string_view& line) {
    if (!nextLine(input.reader, line)) return endOfInputLines(input, state, line);
    ++input.lineNumber;
    return true;
}
// Closes the file read and begins the next one; false when none is left, or when the next
// one cannot be opened (`failed`) or its header lacks a column (`missingColumn`).
bool openNextInput(InputStream& input, ReaderState& state);

}  // namespace vestrel
