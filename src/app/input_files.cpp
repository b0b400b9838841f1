#include "app/input_files.h"

#include <algorithm>

#include "base/output.h"
#include "base/platform.h"
#include "text/text.h"

namespace vestrel {

namespace {

// The bytes a PGN game with a FEN tag takes at the least, in practice.
constexpr std::uint64_t kGameBytesGuess = 256;

bool isStandardInput(const InputFile& file) { return file.name == kStandardInputName; }

// The files named, or the default.
std::vector<InputFile> inputFileList(const RunSettings& settings) {
    std::vector<InputFile> files;
    for (const std::string& name : settings.inputFiles) files.push_back({name});
    if (files.empty()) files.push_back({std::string(kDefaultStem) + ".epd"});
    return files;
}

// The file's kind by its ending, or for standard input by --type; false for any other ending.
bool findKind(InputFile& file, const RunSettings& settings) {
    if (isStandardInput(file)) {
        constexpr InputKind kKinds[] = {InputKind::Epd, InputKind::Fen, InputKind::Pgn};
        file.kind = kKinds[static_cast<std::size_t>(settings.standardInputType)];
        return true;
    }
    const std::optional<InputKind> kind = inputKindOf(file.name);
    if (kind) file.kind = *kind;
    return kind.has_value();
}

// Opens a file for reading: standard input is open already. kNoFile when it cannot be opened.
int openInput(const InputFile& file) {
    return isStandardInput(file) ? kStandardInput : openForReading(file.name);
}

void closeInput(const InputFile& file, int fd) {
    if (!isStandardInput(file)) (void)closeFile(fd);
}

// Checks one file and returns it open in `fd`.
FileStatus checkInputFile(const RunSettings& settings, InputFile& file, int& fd) {
    if (!findKind(file, settings)) return FileStatus::WrongType;
    fd = openInput(file);
    if (fd == kNoFile) return FileStatus::InputNotFound;
    if (outputGoesTo(fileIdOfDescriptor(fd))) {
        closeInput(file, fd);
        return FileStatus::OutputIsInput;
    }
    file.bytes = isRegularFileDescriptor(fd) ? fileSize(fd) : 0;
    return FileStatus::Ok;
}

// Starts reading the current file: its kind, a fresh PGN header, the note for a terminal, its
// byte-order mark and a CSV file's header line; false when that header lacks a column.
bool startFile(InputStream& input, ReaderState& state) {
    const InputFile& file = input.files[input.current];
    state.input = file.kind;
    state.headerMateInfo.clear();
    state.fenWaiting = false;
    input.lineNumber = 0;
    if (isStandardInput(file) && isTerminal(input.reader.fd)) {
        writeError("\nInput is read from the terminal (end it with " +
                   std::string(endOfTerminalInput()) + ") ..." + std::string(kLineEnd));
    }
    skipByteOrderMark(input.reader);
    if (file.kind != InputKind::Csv) return true;
    input.lineNumber = 1;  // the header line
    input.missingColumn = readInputHeader(input.reader, state);
    return input.missingColumn.empty();
}

}  // namespace

FileStatus checkInputFiles(const RunSettings& settings, InputStream& input,
                           std::string& failedName) {
    input.files = inputFileList(settings);
    input.reader.mapsLargeFiles = true;
    for (std::size_t i = 0; i < input.files.size(); ++i) {
        InputFile& file = input.files[i];
        int fd = kNoFile;
        const FileStatus verdict = checkInputFile(settings, file, fd);
        if (verdict != FileStatus::Ok) {
            closeLineReader(input.reader);
            failedName = file.name;
            return verdict;
        }
        if (i == 0) {
            readOpenFile(input.reader, fd, !isStandardInput(file));
        } else {
            closeInput(file, fd);
        }
    }
    input.current = 0;
    return FileStatus::Ok;
}

bool inputIsDatabase(const InputStream& input, const std::string& database) {
    return std::any_of(input.files.begin(), input.files.end(), [&](const InputFile& file) {
        if (isStandardInput(file)) {
            return isRegularFileDescriptor(kStandardInput) &&
                   sameFileId(fileIdOfDescriptor(kStandardInput), fileIdOf(database));
        }
        if (sameFile(file.name, database)) return true;
        return namesFoldCase() && upperCase(file.name) == upperCase(database);
    });
}

std::uint64_t expectedInputKeys(const InputStream& input) {
    std::uint64_t keys = 0;
    for (const InputFile& file : input.files) {
        keys += file.bytes / (file.kind == InputKind::Pgn ? kGameBytesGuess : kLineBytesGuess);
    }
    return keys;
}

bool beginInput(InputStream& input, ReaderState& state) { return startFile(input, state); }

bool endOfInputLines(InputStream& input, const ReaderState& state, std::string_view& line) {
    input.lineTooLong = input.reader.lineTooLong;
    input.readFailed = input.reader.readFailed;
    if (input.lineTooLong || input.readFailed || !recordWaiting(state)) return false;
    line = {};  // the end of the file ends the last header
    return true;
}

bool openNextInput(InputStream& input, ReaderState& state) {
    closeLineReader(input.reader);
    if (input.current + 1 >= input.files.size()) return false;
    const InputFile& file = input.files[++input.current];
    const int fd = openInput(file);
    if (fd == kNoFile) {
        input.failed = file.name;
        return false;
    }
    readOpenFile(input.reader, fd, !isStandardInput(file));
    return startFile(input, state);
}

}  // namespace vestrel
