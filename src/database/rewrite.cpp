#include "database/rewrite.h"

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

}  // namespace

bool beginRewrite(Rewrite& rewrite, std::string_view stem, bool databaseExists) {
    rewrite.databasePath = std::string(stem) + ".epd";
    rewrite.backupPath = std::string(stem) + ".bak";
    rewrite.tempPath = std::string(stem) + ".epd.new";
    rewrite.databaseExisted = databaseExists;
    if (databaseExists) {
        // The previous backup goes first; if it stays, the old database could not take its name.
        (void)removeFile(rewrite.backupPath);
        if (nameTaken(rewrite.backupPath)) return false;
    }
    // The new file keeps the old one's permissions.
    const int fd =
        createFileLike(rewrite.tempPath, databaseExists ? rewrite.databasePath : std::string());
    if (fd == kNoFile) return false;
    openWriter(rewrite.out, fd, kWriteBuffer);
    return true;
}

bool beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem) {
    if (!beginRewrite(rewrite, stem, true)) return false;
    if (openLineReader(reader, rewrite.databasePath)) return true;
    abandonRewrite(rewrite);
    return false;
}

void rewriteLine(Rewrite& rewrite, std::string_view line) { writeLine(rewrite.out, line); }

bool commitRewrite(Rewrite& rewrite) {
    bool ok = flushWriter(rewrite.out);
    ok = ok && syncFile(rewrite.out.fd);
    ok = closeFile(rewrite.out.fd) && ok;
    rewrite.out.fd = kNoFile;
    if (!ok) {
        (void)removeFile(rewrite.tempPath);
        return false;
    }
    if (rewrite.databaseExisted) {
        // A hard link keeps the database name occupied while the backup appears; where links
        // are not possible the database is renamed, leaving a moment with the backup alone.
        if (!hardLink(rewrite.databasePath, rewrite.backupPath) &&
            !renameReplacing(rewrite.databasePath, rewrite.backupPath)) {
            (void)removeFile(rewrite.tempPath);
            return false;
        }
    }
    if (!renameReplacing(rewrite.tempPath, rewrite.databasePath)) {
        if (rewrite.databaseExisted && !nameTaken(rewrite.databasePath)) {
            (void)renameReplacing(rewrite.backupPath, rewrite.databasePath);
        }
        (void)removeFile(rewrite.tempPath);
        return false;
    }
    return true;
}

void abandonRewrite(Rewrite& rewrite) {
    if (rewrite.out.fd != kNoFile) (void)closeFile(rewrite.out.fd);
    rewrite.out.fd = kNoFile;
    (void)removeFile(rewrite.tempPath);
}

}  // namespace vestrel
