#include "app/files.h"

#include "base/platform.h"
#include "filter/marking.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kLogBuffer = std::size_t{64} << 10;

// Reads every database line into the seen set, copying each line when a rewrite is open.
bool preload(LineReader& reader, RunState& state, Rewrite* rewrite) {
    std::string_view line;
    while (nextLine(reader, line)) {
        if (rewrite != nullptr) rewriteLine(*rewrite, line);
        if (databaseLineKey(line, state.scratch)) state.marking.seen.preload(state.scratch);
    }
    return !reader.readFailed;
}

// Standard output is a regular file with this identity, so the run would write into it.
bool outputGoesTo(const FileId& file) {
    return isRegularFileDescriptor(kStandardOutput) &&
           sameFileId(fileIdOfDescriptor(kStandardOutput), file);
}

}  // namespace

std::string inputFileName(const RunSettings& settings) {
    return settings.inputFile.empty() ? std::string(kDefaultStem) + ".epd" : settings.inputFile;
}

FileVerdict openInputFile(const RunSettings& settings, LineReader& input, bool& pgnMode) {
    const std::string name = inputFileName(settings);
    const std::string ending = upperCase(rightPart(name, 4));
    if (ending != ".EPD" && ending != ".FEN" && ending != ".PGN") return FileVerdict::WrongType;
    pgnMode = ending == ".PGN";
    if (!openLineReader(input, name)) return FileVerdict::InputNotFound;
    if (outputGoesTo(fileIdOfDescriptor(input.fd))) {
        closeLineReader(input);
        return FileVerdict::OutputIsInput;
    }
    return FileVerdict::Ok;
}

FileVerdict prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                            bool& rewriting) {
    rewriting = false;
    const std::string input = inputFileName(settings);
    const std::string database = settings.databaseFileName();
    if (upperCase(input) == upperCase(database) || sameFile(input, database)) {
        return FileVerdict::InputIsDatabase;
    }
    if (outputGoesTo(fileIdOf(database))) return FileVerdict::OutputIsDatabase;
    LineReader reader;
    const bool update = settings.databaseMode == DatabaseMode::Update;
    if (update && !pathExists(database)) {
        // No database yet: the run creates it from the new records alone.
        if (settings.noOutput) return FileVerdict::Ok;
        if (!beginRewrite(rewrite, settings.databaseStem, false)) {
            return FileVerdict::DatabaseNotFound;
        }
        rewriting = true;
        return FileVerdict::Ok;
    }
    if (update && !settings.noOutput) {
        if (!beginRewrite(rewrite, settings.databaseStem, true)) {
            return FileVerdict::DatabaseNotFound;
        }
        rewriting = true;
    }
    if (!openLineReader(reader, database)) {
        if (rewriting) abandonRewrite(rewrite);
        rewriting = false;
        return FileVerdict::DatabaseNotFound;
    }
    skipByteOrderMark(reader);
    const bool readOk = preload(reader, state, rewriting ? &rewrite : nullptr);
    closeLineReader(reader);
    if (!readOk) {
        if (rewriting) abandonRewrite(rewrite);
        rewriting = false;
        return FileVerdict::DatabaseNotFound;
    }
    if (rewriting && rewrite.out.failed) {
        abandonRewrite(rewrite);
        rewriting = false;
        return FileVerdict::DatabaseNotWritten;
    }
    return FileVerdict::Ok;
}

void openLogFile(RunState& state) {
    openWriter(state.log, createFile(std::string(kLogFileName)), kLogBuffer);
}

bool closeLogFile(RunState& state) {
    if (state.log.fd == kNoFile) return !state.log.failed;
    const bool written = flushWriter(state.log);
    (void)closeFile(state.log.fd);
    state.log.fd = kNoFile;
    return written;
}

}  // namespace vestrel
