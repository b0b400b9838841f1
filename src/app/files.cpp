#include "app/files.h"

#include <optional>

#include "base/platform.h"
#include "filter/marking.h"
#include "position/canonical.h"
#include "text/text.h"

namespace vestrel {

namespace {

// The log is written a megabyte at a time, as standard output is. A run that sets most lines
// aside writes a log as large as its input: make bench's duplicate-heavy run (60 MB of log)
// takes 6-7% less CPU time than with 64 KiB writes, in a sixteenth of the calls.
constexpr std::size_t kLogBuffer = std::size_t{1} << 20;
constexpr std::size_t kReportBuffer = std::size_t{1} << 20;

// Reads every database line into the seen set, copying each line when a rewrite is open.
// With --canonical the keys are canonical, as the records' keys are.
void preload(LineReader& reader, RunState& state, Rewrite* rewrite, bool canonical) {
    std::string_view line;
    std::string_view key;
    std::int64_t number = 0;
    while (nextLine(reader, line)) {
        ++number;
        if (rewrite != nullptr) rewriteLine(*rewrite, line);
        if (!databaseLineKey(line, state.scratch, key)) continue;
        if (canonical) {
            if (key.data() != state.scratch.data()) state.scratch.assign(key);
            dropUnusableEnPassant(state.scratch);
            key = state.scratch;
        }
        state.marking.seen.preload(key);
        if (state.report) reportDatabaseLine(*state.report, number, key);
        releaseLinesRead(reader);
    }
}

}  // namespace

bool outputGoesTo(const FileId& file) {
    return isRegularFileDescriptor(kStandardOutput) &&
           sameFileId(fileIdOfDescriptor(kStandardOutput), file);
}

FileStatus prepareDatabase(const RunSettings& settings, RunState& state, Rewrite& rewrite,
                           bool& rewriting) {
    rewriting = false;
    const std::string database = settings.databaseFileName();
    if (outputGoesTo(fileIdOf(database))) return FileStatus::OutputIsDatabase;
    const bool update = settings.databaseMode == DatabaseMode::Update;
    if (update && !settings.noOutput) {
        const FileStatus begun = beginRewrite(rewrite, settings.databaseStem);
        if (begun != FileStatus::Ok) return begun;
        rewriting = true;
        // No database yet: the run creates it from the new records alone.
        if (!rewrite.databaseExisted) return FileStatus::Ok;
    } else if (update && !pathExists(database)) {
        return FileStatus::Ok;  // /u+ with /0 creates nothing
    }
    LineReader reader;
    FileStatus status = FileStatus::DatabaseNotFound;
    if (state.report) beginReportFile(*state.report, database, true);
    // A large database is read mapped and its keys stay in its pages for the whole run, where
    // a mapped file can be replaced meanwhile: by this run's update, or another's.
    reader.mapsLargeFiles = mappedFilesCanBeReplaced();
    if (openLineReader(reader, database, true)) {
        state.marking.seen.expectKeys(fileSize(reader.fd) / kLineBytesGuess);
        if (reader.mapping) state.marking.seen.keepKeysIn(reader.mapping, KeptFile::Database);
        skipByteOrderMark(reader);
        preload(reader, state, rewriting ? &rewrite : nullptr, settings.canonicalKeys);
        if (rewriting) {
            status = databaseReadEnd(reader);
        } else if (reader.lineTooLong || reader.readFailed) {
            status = reader.lineTooLong ? FileStatus::LineTooLong : FileStatus::DatabaseNotFound;
        } else {
            status = FileStatus::Ok;
        }
        closeLineReader(reader);
    }
    if (status == FileStatus::Ok && rewriting && rewrite.out.failed) {
        status = FileStatus::DatabaseNotWritten;
    }
    if (status != FileStatus::Ok && rewriting) {
        abandonRewrite(rewrite);
        rewriting = false;
    }
    return status;
}

ReportFile::~ReportFile() {
    if (out.fd == kNoFile) return;
    (void)closeWriter(out);
    if (!finished) (void)removeFile(path);
}

namespace {

// True when `path` names the file `name`: the same name in upper case, or the same file.
bool namesFile(const std::string& path, const std::string& name) {
    return upperCase(path) == upperCase(name) || sameFile(path, name);
}

// True when `path` names a temporary file of a rewrite of the database.
bool namesRewriteTemporary(const RunSettings& settings, const std::string& path) {
    Rewrite rewrite;
    nameRewriteFiles(rewrite, settings.databaseStem);
    for (const std::string* name :
         {&rewrite.tempPath, &rewrite.backupTempPath, &rewrite.backupCopyPath}) {
        if (namesFile(path, *name)) return true;
    }
    return false;
}

}  // namespace

bool reportIsInput(const RunSettings& settings, const std::string& input) {
    const std::string& path = settings.report.file;
    return path == input || sameFile(path, input);
}

FileStatus createReportFile(const RunSettings& settings, ReportFile& report) {
    const std::string& path = settings.report.file;
    const DatabaseMode mode = settings.databaseMode;
    // Not even a run that leaves the database alone writes a page over it or its backup.
    if (namesFile(path, settings.databaseFileName())) return FileStatus::ReportIsDatabase;
    if (namesFile(path, settings.backupFileName())) return FileStatus::ReportIsBackup;
    // The rewrite takes such a name for a leftover of a killed run and removes it.
    if (mode == DatabaseMode::Update && namesRewriteTemporary(settings, path)) {
        return FileStatus::ReportIsTemporary;
    }
    if (namesFile(path, std::string(kLogFileName))) return FileStatus::ReportIsLog;
    if (outputGoesTo(fileIdOf(path))) return FileStatus::OutputIsReport;
    const int fd = createFile(path);
    if (fd == kNoFile) return FileStatus::ReportNotWritten;
    report.path = path;
    openWriter(report.out, fd, kReportBuffer, true);
    return FileStatus::Ok;
}

bool finishReportFile(ReportFile& report) {
    const bool written = flushWriter(report.out);
    const bool closed = closeWriter(report.out);
    report.finished = written && closed;
    if (!report.finished) (void)removeFile(report.path);
    return report.finished;
}

FileStatus openLogFile(RunState& state) {
    const int fd = createUnlinkedFile(std::string(kLogFileName));
    openWriter(state.log, fd == kIsLink ? kNoFile : fd, kLogBuffer, true);
    return fd == kIsLink ? FileStatus::LogIsLink : FileStatus::Ok;
}

bool closeLogFile(RunState& state) {
    if (state.log.fd == kNoFile) return !state.log.failed;
    const bool written = flushWriter(state.log);
    (void)closeWriter(state.log);
    return written;
}

}  // namespace vestrel
