#include "database/rewrite.h"

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
constexpr std::size_t kCopyBlock = std::size_t{64} << 10;
// The longest file name (the part after the last folder separator) a file system takes.
constexpr std::size_t kNameLimit = 255;
// Rounds of "the temporary name is taken, but by a leftover" before giving up.
constexpr int kLockRounds = 8;

std::size_t lastNameLength(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path.size() : path.size() - slash - 1;
}

// The file open as `fd` is the one the name leads to.
bool nameLeadsTo(const std::string& path, int fd) {
    return sameFileId(fileIdOf(path), fileIdOfDescriptor(fd));
}

// Creates the temporary file and locks it. A file already under its name whose lock nobody
// holds is a leftover of a killed run and is removed.
RewriteStart lockTemporary(const std::string& path, const std::string& modeFrom, int& fd) {
    for (int round = 0; round < kLockRounds; ++round) {
        fd = createNewFile(path, modeFrom);
        if (fd >= 0) {
            // Between the creation and the lock another run may have taken the new file for a
            // leftover; the file is then that run's to remove.
            if (lockFile(fd) == LockResult::HeldElsewhere || !nameLeadsTo(path, fd)) {
                (void)closeFile(fd);
                fd = kNoFile;
                return RewriteStart::InUse;
            }
            // Where the file system has no locks, the exclusive creation alone keeps runs apart.
            return RewriteStart::Ok;
        }
        if (fd != kNameTaken) return RewriteStart::NotFound;
        const int old = openForReading(path);
        if (old == kNoFile) {
            if (nameTaken(path)) return RewriteStart::NotFound;  // a folder, or no access
            continue;                                            // gone meanwhile
        }
        if (lockFile(old) != LockResult::Locked) {
            (void)closeFile(old);
            return RewriteStart::InUse;
        }
        if (nameLeadsTo(path, old)) (void)removeFile(path);
        (void)closeFile(old);
    }
    fd = kNoFile;
    return RewriteStart::InUse;
}

// A synced copy of a file under a new name, with its permissions.
bool copyFile(const std::string& from, const std::string& to) {
    const int in = openForReading(from);
    if (in == kNoFile) return false;
    const int out = createNewFile(to, from);
    if (out < 0) {
        (void)closeFile(in);
        return false;
    }
    char buffer[kCopyBlock];
    bool ok = true;
    while (ok) {
        const long long n = readSome(in, buffer, sizeof buffer);
        if (n == 0) break;
        ok = n > 0 && writeAll(out, std::string_view(buffer, static_cast<std::size_t>(n))) ==
                          WriteResult::Ok;
    }
    ok = ok && syncFile(out) && copyPermissions(out, from);
    (void)closeFile(in);
    return closeFile(out) && ok;
}

// Replaces the ".bak" file with the current database in one step: a second link to it, or a
// synced copy where links are impossible, made under a temporary name and renamed.
bool makeBackup(const Rewrite& rewrite) {
    (void)removeFile(rewrite.backupTempPath);  // a leftover of a killed run
    if (!hardLink(rewrite.databasePath, rewrite.backupTempPath) &&
        !copyFile(rewrite.databasePath, rewrite.backupTempPath)) {
        (void)removeFile(rewrite.backupTempPath);
        return false;
    }
    const bool ok = renameReplacing(rewrite.backupTempPath, rewrite.backupPath);
    // A rename between two links of one file leaves both names.
    (void)removeFile(rewrite.backupTempPath);
    return ok;
}

}  // namespace

Rewrite::~Rewrite() {
    if (out.fd != kNoFile) abandonRewrite(*this);
}

RewriteStart beginRewrite(Rewrite& rewrite, std::string_view stem) {
    rewrite.databasePath = std::string(stem) + ".epd";
    rewrite.backupPath = std::string(stem) + ".bak";
    // The temporary names fit wherever the database name fits.
    const bool shortNames = lastNameLength(rewrite.databasePath) + 4 > kNameLimit;
    rewrite.tempPath = std::string(stem) + (shortNames ? ".epn" : ".epd.new");
    rewrite.backupTempPath = std::string(stem) + (shortNames ? ".bkn" : ".bak.new");
    int fd = kNoFile;
    const RewriteStart start = lockTemporary(rewrite.tempPath, rewrite.databasePath, fd);
    if (start != RewriteStart::Ok) return start;
    openWriter(rewrite.out, fd, kWriteBuffer);
    // Only now, under the lock, is the database's state the one this run works on.
    rewrite.databaseExisted = pathExists(rewrite.databasePath);
    if (rewrite.databaseExisted && isFolder(rewrite.backupPath)) {
        // The old database could never take the backup name.
        abandonRewrite(rewrite);
        return RewriteStart::NotFound;
    }
    return RewriteStart::Ok;
}

RewriteStart beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem) {
    const RewriteStart start = beginRewrite(rewrite, stem);
    if (start != RewriteStart::Ok) return start;
    if (rewrite.databaseExisted && openLineReader(reader, rewrite.databasePath)) {
        return RewriteStart::Ok;
    }
    abandonRewrite(rewrite);
    return RewriteStart::NotFound;
}

ReadEnd databaseReadEnd(LineReader& reader) {
    if (reader.lineTooLong) return ReadEnd::LineTooLong;
    const bool textAfter = !reader.readFailed && textAfterCtrlZ(reader);  // reads the rest
    if (reader.readFailed) return ReadEnd::Failed;
    return textAfter ? ReadEnd::TextAfterCtrlZ : ReadEnd::Ok;
}

void rewriteLine(Rewrite& rewrite, std::string_view line) { writeLine(rewrite.out, line); }

bool commitRewrite(Rewrite& rewrite) {
    const int fd = rewrite.out.fd;
    bool ok = flushWriter(rewrite.out) && syncFile(fd);
    if (ok && rewrite.databaseExisted) ok = copyPermissions(fd, rewrite.databasePath);
    if (ok && rewrite.databaseExisted) ok = makeBackup(rewrite);
    // The temporary file stays open, and so locked, until it holds the database name.
    ok = ok && renameReplacing(rewrite.tempPath, rewrite.databasePath);
    if (!ok) {
        abandonRewrite(rewrite);
        return false;
    }
    syncFolderOf(rewrite.databasePath);
    (void)closeFile(fd);
    rewrite.out.fd = kNoFile;
    return true;
}

void abandonRewrite(Rewrite& rewrite) {
    if (rewrite.out.fd == kNoFile) return;
    // Removed while still locked: once the lock is gone the name may be another run's.
    (void)removeFile(rewrite.tempPath);
    (void)closeFile(rewrite.out.fd);
    rewrite.out.fd = kNoFile;
    rewrite.out.buffer.clear();
}

}  // namespace vestrel
