#include "app/files.h"

#include <optional>

#include "base/platform.h"
#include "filter/marking.h"
#include "position/canonical.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kLogBuffer = std::size_t{64} << 10;
constexpr std::size_t kReportBuffer = std::size_t{1} << 20;

// Reads every database line into the seen set, copying each line when a rewrite is open.
// With --canonical the keys are canonical, as the records' keys are.
void preload(LineReader& reader, RunState& state, Rewrite* rewrite, bool canonical) {
    std::string_view line;
    std::int64_t number = 0;
    while (nextLine(reader, line)) {
        ++number;
        if (rewrite != nullptr) rewriteLine(*rewrite, line);
        if (!databaseLineKey(line, state.scratch)) continue;
        if (canonical) dropUnusableEnPassant(state.scratch);
        state.marking.seen.preload(state.scratch);
        if (state.report) reportDatabaseLine(*state.report, number, state.scratch);
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
            case RewriteStart::Leftover:
                return FileVerdict::DatabaseLeftover;
            case RewriteStart::LockUnknown:
                return FileVerdict::DatabaseLockUnknown;
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
    if (state.report) beginReportFile(*state.report, database, true);
    if (openLineReader(reader, database, true)) {
        state.marking.seen.expectKeys(fileSize(reader.fd) / kLineBytesGuess);
        skipByteOrderMark(reader);
        preload(reader, state, rewriting ? &rewrite : nullptr, settings.canonicalKeys);
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

ReportFile::~ReportFile() {
    if (out.fd == kNoFile) return;
    (void)closeFile(out.fd);
    if (!finished) (void)removeFile(path);
}

bool reportIsInput(const RunSettings& settings, const std::string& input) {
    const std::string& path = settings.report.file;
    return path == input || sameFile(path, input);
}

FileVerdict createReportFile(const RunSettings& settings, ReportFile& report) {
    const std::string& path = settings.report.file;
    const DatabaseMode mode = settings.databaseMode;
    const auto names = [&path](const std::string& name) {
        return upperCase(path) == upperCase(name) || sameFile(path, name);
    };
    if ((mode == DatabaseMode::Compare || mode == DatabaseMode::Update) &&
        names(settings.databaseFileName())) {
        return FileVerdict::ReportIsDatabase;
    }
    if (mode == DatabaseMode::Update && names(settings.backupFileName())) {
        return FileVerdict::ReportIsBackup;
    }
    if (upperCase(path) == upperCase(kLogFileName) || sameFile(path, std::string(kLogFileName))) {
        return FileVerdict::ReportIsLog;
    }
    if (outputGoesTo(fileIdOf(path))) return FileVerdict::OutputIsReport;
    const int fd = createFile(path);
    if (fd == kNoFile) return FileVerdict::ReportNotWritten;
    report.path = path;
    openWriter(report.out, fd, kReportBuffer);
    return FileVerdict::Ok;
}

bool finishReportFile(ReportFile& report) {
    const bool written = flushWriter(report.out);
    const bool closed = closeFile(report.out.fd);
    report.out.fd = kNoFile;
    report.finished = written && closed;
    if (!report.finished) (void)removeFile(report.path);
    return report.finished;
}

FileVerdict openLogFile(RunState& state) {
    const int fd = createUnlinkedFile(std::string(kLogFileName));
    openWriter(state.log, fd == kIsLink ? kNoFile : fd, kLogBuffer);
    return fd == kIsLink ? FileVerdict::LogIsLink : FileVerdict::Ok;
}

bool closeLogFile(RunState& state) {
    if (state.log.fd == kNoFile) return !state.log.failed;
    const bool written = flushWriter(state.log);
    (void)closeFile(state.log.fd);
    state.log.fd = kNoFile;
    return written;
}

}  // namespace vestrel
