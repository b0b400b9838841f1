#include "app/files.h"

#include "base/platform.h"
#include "filter/marking.h"

namespace vestrel {

namespace {

constexpr std::size_t kLogBuffer = std::size_t{64} << 10;

// Reads every database line into the seen set, copying each line when a rewrite is open.
void preload(LineReader& reader, RunState& state, Rewrite* rewrite) {
    std::string_view line;
    while (nextLine(reader, line)) {
        if (rewrite != nullptr) rewriteLine(*rewrite, line);
        if (databaseLineKey(line, state.scratch)) state.marking.seen.preload(state.scratch);
    }
}

}  // namespace

bool outputGoesTo(const FileId& file) {
    return isRegularFileDescriptor(kStandardOutput) &&
           sameFileId(fileIdOfDescriptor(kStandardOutput), file);
}

FileVerdict prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                            bool& rewriting) {
    rewriting = false;
    const std::string database = settings.databaseFileName();
    if (outputGoesTo(fileIdOf(database))) return FileVerdict::OutputIsDatabase;
    const bool update = settings.databaseMode == DatabaseMode::Update;
    if (update && !settings.noOutput) {
        switch (beginRewrite(rewrite, settings.databaseStem)) {
            case RewriteStart::InUse:
                return FileVerdict::DatabaseInUse;
            case RewriteStart::NotFound:
                return FileVerdict::DatabaseNotFound;
            case RewriteStart::Ok:
                break;
        }
        rewriting = true;
        // No database yet: the run creates it from the new records alone.
        if (!rewrite.databaseExisted) return FileVerdict::Ok;
    } else if (update && !pathExists(database)) {
        return FileVerdict::Ok;  // /u+ with /0 creates nothing
    }
    LineReader reader;
    ReadEnd end = ReadEnd::Failed;
    if (openLineReader(reader, database)) {
        state.marking.seen.expectKeys(fileSize(reader.fd) / kLineBytesGuess);
        skipByteOrderMark(reader);
        preload(reader, state, rewriting ? &rewrite : nullptr);
        if (rewriting) {
            end = databaseReadEnd(reader);
        } else if (reader.lineTooLong || reader.readFailed) {
            end = reader.lineTooLong ? ReadEnd::LineTooLong : ReadEnd::Failed;
        } else {
            end = ReadEnd::Ok;
        }
        closeLineReader(reader);
    }
    FileVerdict verdict = FileVerdict::Ok;
    switch (end) {
        case ReadEnd::Ok:
            if (rewriting && rewrite.out.failed) verdict = FileVerdict::DatabaseNotWritten;
            break;
        case ReadEnd::Failed:
            verdict = FileVerdict::DatabaseNotFound;
            break;
        case ReadEnd::LineTooLong:
            verdict = FileVerdict::LineTooLong;
            break;
        case ReadEnd::TextAfterCtrlZ:
            verdict = FileVerdict::DatabaseTextAfterCtrlZ;
            break;
    }
    if (verdict != FileVerdict::Ok && rewriting) {
        abandonRewrite(rewrite);
        rewriting = false;
    }
    return verdict;
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
