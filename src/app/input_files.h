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
    bool pgnMode = false;
    std::uint64_t bytes = 0;  // its size when it was checked; 0 when unknown
};

// The files of the run, read one after the other. The first one is open from its check on;
// each later one is opened when its turn comes.
struct InputStream {
    std::vector<InputFile> files;
    std::size_t next = 0;  // the file to open when the one being read ends
    LineReader reader;     // the file being read
    bool reading = false;
    bool lineTooLong = false;
    std::string failed;  // a file that could not be opened when its turn came

    InputStream() = default;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    ~InputStream() { closeLineReader(reader); }
};

// Checks every input file before anything is read: its type by its ending (standard input's by
// --type), that it opens, and that standard output does not write into it. Fills the stream
// and leaves its first file open; on failure `failedName` is the file at fault.
FileVerdict checkInputFiles(const RunSettings& settings, InputStream& input,
                            std::string& failedName);

// True when an input file is the database file: the same name in upper case, or the same file.
bool inputIsDatabase(const InputStream& input, const std::string& database);

// Keys the input files may bring, guessed from their sizes, so that the seen set can make
// room for them at once.
std::uint64_t expectedInputKeys(const InputStream& input);

// Prepares the first file for reading: its mode, and a note when standard input is a terminal.
void beginInput(InputStream& input, ReaderState& state);
// The next line of the stream, going on to the next file where one ends; false at the end of
// the last file, or when a file could not be opened (`failed`) or holds a line over the limit
// (`lineTooLong`).
bool nextInputLine(InputStream& input, ReaderState& state, std::string_view& line);

}  // namespace vestrel
