#include "app/files.h"

#include "base/platform.h"
#include "position/mirror.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kLogBuffer = std::size_t{64} << 10;

// Reads every database line into the seen set, copying each line when a rewrite is open.
bool preload(LineReader& reader, RunState& state, Rewrite* rewrite) {
    std::string_view line;
    while (nextLine(reader, line)) {
        if (rewrite != nullptr) rewriteLine(*rewrite, line);
        if (!databaseLineKey(line, state.key)) continue;
        appendKey(state.seen, state.key);
        if (state.seen.signaturesOn) markSignature(state.seen, symmetrySignature(state.key));
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

bool databaseLineKey(std::string_view line, std::string& key) {
    if (line.empty() || line[0] == '%') return false;
    std::string_view cut = line;
    bool hasSolution = false;
    const std::size_t bm = line.find(" bm ");
    if (bm != std::string_view::npos) {
        std::size_t mark = line.find('#');
        if (mark == std::string_view::npos) mark = line.find('=');
        // The mark must follow " bm " directly or after one character.
        if (mark != std::string_view::npos && mark >= bm + 4 && mark - bm - 4 <= 1) {
            cut = line.substr(0, mark + 1);
            hasSolution = true;
        }
    }
    key.assign(cut);
    if (!hasSolution) {
        // Keep the four position fields: cut before the fourth blank.
        std::size_t blank = key.find(' ');
        for (int i = 1; i < 4 && blank != std::string::npos; ++i) blank = key.find(' ', blank + 1);
        if (blank != std::string::npos) key.resize(blank);
        key.append(" bm #");
    }
    const std::size_t semicolon = key.find(';');
    if (semicolon != std::string::npos) key.resize(semicolon);
    return true;
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
