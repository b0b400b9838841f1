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

// The file's mode by its ending, or for standard input by --type; false for any other ending.
bool findMode(InputFile& file, const RunSettings& settings) {
    if (isStandardInput(file)) {
        file.pgnMode = settings.standardInputType == InputType::Pgn;
        return true;
    }
    const std::string ending = upperCase(rightPart(file.name, 4));
    if (ending != ".EPD" && ending != ".FEN" && ending != ".PGN") return false;
    file.pgnMode = ending == ".PGN";
    return true;
}

// Opens a file for reading: standard input is open already. kNoFile when it cannot be opened.
int openInput(const InputFile& file) {
    return isStandardInput(file) ? kStandardInput : openForReading(file.name);
}

void closeInput(const InputFile& file, int fd) {
    if (!isStandardInput(file)) (void)closeFile(fd);
}

// Checks one file and returns it open in `fd`.
FileVerdict checkInputFile(const RunSettings& settings, InputFile& file, int& fd) {
    if (!findMode(file, settings)) return FileVerdict::WrongType;
    fd = openInput(file);
    if (fd == kNoFile) return FileVerdict::InputNotFound;
    if (outputGoesTo(fileIdOfDescriptor(fd))) {
        closeInput(file, fd);
        return FileVerdict::OutputIsInput;
    }
    file.bytes = isRegularFileDescriptor(fd) ? fileSize(fd) : 0;
    return FileVerdict::Ok;
}

// Starts reading a file: its mode, a fresh PGN header, the note for a terminal, its byte-order
// mark.
void startFile(const InputFile& file, LineReader& reader, ReaderState& state) {
    state.pgnMode = file.pgnMode;
    state.headerMateInfo.clear();
    if (isStandardInput(file) && isTerminal(reader.fd)) {
        writeError("\nInput is read from the terminal (end it with " +
                   std::string(endOfTerminalInput()) + ") ..." + std::string(kLineEnd));
    }
    skipByteOrderMark(reader);
}

}  // namespace

FileVerdict checkInputFiles(const RunSettings& settings, InputStream& input,
                            std::string& failedName) {
    input.files = inputFileList(settings);
    for (std::size_t i = 0; i < input.files.size(); ++i) {
        InputFile& file = input.files[i];
        int fd = kNoFile;
        const FileVerdict verdict = checkInputFile(settings, file, fd);
        if (verdict != FileVerdict::Ok) {
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
    input.reading = true;
    input.next = 1;
    return FileVerdict::Ok;
}

bool inputIsDatabase(const InputStream& input, const std::string& database) {
    return std::any_of(input.files.begin(), input.files.end(), [&](const InputFile& file) {
        if (isStandardInput(file)) {
            return isRegularFileDescriptor(kStandardInput) &&
                   sameFileId(fileIdOfDescriptor(kStandardInput), fileIdOf(database));
        }
        return upperCase(file.name) == upperCase(database) || sameFile(file.name, database);
    });
}

std::uint64_t expectedInputKeys(const InputStream& input) {
    std::uint64_t keys = 0;
    for (const InputFile& file : input.files) {
        keys += file.bytes / (file.pgnMode ? kGameBytesGuess : kLineBytesGuess);
    }
    return keys;
}

void beginInput(InputStream& input, ReaderState& state) {
    startFile(input.files[0], input.reader, state);
}

bool nextInputLine(InputStream& input, ReaderState& state, std::string_view& line) {
    while (input.reading) {
        if (nextLine(input.reader, line)) return true;
        input.lineTooLong = input.reader.lineTooLong;
        closeLineReader(input.reader);
        input.reading = false;
        if (input.lineTooLong || input.next == input.files.size()) return false;
        const InputFile& file = input.files[input.next++];
        const int fd = openInput(file);
        if (fd == kNoFile) {
            input.failed = file.name;
            return false;
        }
        readOpenFile(input.reader, fd, !isStandardInput(file));
        input.reading = true;
        startFile(file, input.reader, state);
    }
    return false;
}

}  // namespace vestrel
