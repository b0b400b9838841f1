#include "database/rewrite.h"

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
// A database's bytes past this many go to the disk as direct writes. Below it the file cache
// costs little, and a small database is read back soon from the cache.
constexpr std::uint64_t kDirectWritesFrom = std::uint64_t{32} << 20;
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

// What holds the temporary name when a run cannot take it: another run, a leftover that
// cannot be removed or judged, or something that is no file of ours.
FileStatus judgeTakenName(const std::string& path) {
    const int old = openRegularForReading(path);
    if (old == kNoFile) {
        if (!nameTaken(path)) return FileStatus::Ok;  // gone meanwhile: try again
        // A file this user may not read cannot be tested; a folder, pipe or device is no
        // leftover of ours.
        return isRegularFile(path) ? FileStatus::DatabaseLockUnknown : FileStatus::DatabaseNotFound;
    }
    FileStatus verdict = FileStatus::Ok;
    switch (lockFile(old)) {
        case LockResult::HeldElsewhere:
            verdict = FileStatus::DatabaseInUse;
            break;
        case LockResult::Failed:  // no locks on this file system
            verdict = FileStatus::DatabaseLockUnknown;
            break;
        case LockResult::Locked:
            // Nobody holds it: a leftover of a run that ended. In a shared folder with the
            // sticky bit only its owner may remove it.
            if (nameLeadsTo(path, old) && !removeFile(path) && nameLeadsTo(path, old)) {
                verdict = FileStatus::DatabaseLeftover;
            }
            break;
    }
    (void)closeFile(old);
    return verdict;
}

// Creates the temporary file and locks it. A file already under its name whose lock nobody
// holds is a leftover of a killed run and is removed.
FileStatus lockTemporary(const std::string& path, const std::string& modeFrom, int& fd) {
    for (int round = 0; round < kLockRounds; ++round) {
        fd = createNewFile(path, modeFrom);
        if (fd >= 0) {
            // Between the creation and the lock another run may have taken the new file for a
            // leftover; the file is then that run's to remove.
            if (lockFile(fd) == LockResult::HeldElsewhere || !nameLeadsTo(path, fd)) {
                (void)closeFile(fd);
                fd = kNoFile;
                return FileStatus::DatabaseInUse;
            }
            // Where the file system has no locks, the exclusive creation alone keeps runs apart.
            return FileStatus::Ok;
        }
        if (fd != kNameTaken) return FileStatus::DatabaseNotFound;
        const FileStatus taken = judgeTakenName(path);
        if (taken != FileStatus::Ok) return taken;
    }
    fd = kNoFile;
    return FileStatus::DatabaseInUse;
}

// A synced copy of a file under a new name, with its permissions.
bool copyFile(const std::string& from, const std::string& to) {
    const int in = openRegularForReading(from);
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

// Two files hold the same bytes.
bool sameContent(const std::string& a, const std::string& b) {
    const int fa = openRegularForReading(a);
    const int fb = openRegularForReading(b);
    bool same = fa != kNoFile && fb != kNoFile && fileSize(fa) == fileSize(fb);
    char blockA[kCopyBlock];
    char blockB[kCopyBlock];
    while (same) {
        const long long n = readSome(fa, blockA, sizeof blockA);
        if (n <= 0) {
            same = n == 0 && readSome(fb, blockB, 1) == 0;
            break;
        }
        std::size_t got = 0;
        while (same && got < static_cast<std::size_t>(n)) {
            const long long m = readSome(fb, blockB + got, static_cast<std::size_t>(n) - got);
            same = m > 0;
            if (same) got += static_cast<std::size_t>(m);
        }
        same = same && std::string_view(blockA, got) == std::string_view(blockB, got);
    }
    (void)closeFile(fa);
    (void)closeFile(fb);
    return same;
}

// A commit killed after it made the backup under its temporary name left it there. Before
// the new database took the name it is the database itself (a link or a copy of it) and goes;
// after that it is the old database, and becomes the backup the commit would have made.
void settleBackup(const Rewrite& rewrite) {
    (void)removeFile(rewrite.backupCopyPath);  // a copy never finished
    if (!isRegularFile(rewrite.backupTempPath)) return;
    if (rewrite.databaseExisted && (sameFile(rewrite.backupTempPath, rewrite.databasePath) ||
                                    sameContent(rewrite.backupTempPath, rewrite.databasePath))) {
        (void)removeFile(rewrite.backupTempPath);
        return;
    }
    if (renameReplacing(rewrite.backupTempPath, rewrite.backupPath)) {
        syncFolderOf(rewrite.backupPath);
    }
}

// Puts the current database under the backup's temporary name: a second link to it, or a
// synced copy (made under a name of its own, so that a copy cut short is never taken for one)
// where links are impossible.
bool prepareBackup(const Rewrite& rewrite) {
    (void)removeFile(rewrite.backupTempPath);
    if (hardLink(rewrite.databasePath, rewrite.backupTempPath)) return true;
    (void)removeFile(rewrite.backupCopyPath);
    if (copyFile(rewrite.databasePath, rewrite.backupCopyPath) &&
        renameReplacing(rewrite.backupCopyPath, rewrite.backupTempPath)) {
        return true;
    }
    (void)removeFile(rewrite.backupCopyPath);
    return false;
}

void releaseDatabaseLock(Rewrite& rewrite) {
    if (rewrite.databaseLock == kNoFile) return;
    (void)closeFile(rewrite.databaseLock);
    rewrite.databaseLock = kNoFile;
}

// Locks the existing database file itself, so that a run through another of its names finds
// it in use; where the file system has no locks the temporary file alone keeps runs apart.
FileStatus lockDatabase(Rewrite& rewrite) {
    rewrite.databaseLock = openRegularForReading(rewrite.databasePath);
    if (rewrite.databaseLock == kNoFile) return FileStatus::DatabaseNotFound;
    if (lockFile(rewrite.databaseLock) == LockResult::HeldElsewhere)
        return FileStatus::DatabaseInUse;
    return nameLeadsTo(rewrite.databasePath, rewrite.databaseLock) ? FileStatus::Ok
                                                                   : FileStatus::DatabaseInUse;
}

// The new file has the database name: the backup takes its name, or, when it cannot, the old
// database its own name back. Closes the new file, whose lock kept other runs away until now;
// false when the backup did not take its name.
bool completeBackup(Rewrite& rewrite) {
    const bool ok = renameReplacing(rewrite.backupTempPath, rewrite.backupPath);
    // Some systems move no file onto a name that is open.
    (void)closeWriter(rewrite.out);
    if (ok) {
        syncFolderOf(rewrite.backupPath);
    } else if (renameReplacing(rewrite.backupTempPath, rewrite.databasePath)) {
        syncFolderOf(rewrite.databasePath);
    }
    return ok;
}

}  // namespace

Rewrite::~Rewrite() {
    if (out.fd != kNoFile || databaseLock != kNoFile) abandonRewrite(*this);
}

void nameRewriteFiles(Rewrite& rewrite, std::string_view stem) {
    rewrite.databasePath = resolveLinks(std::string(stem) + ".epd");
    const std::string& path = rewrite.databasePath;
    const bool epd = path.size() >= 4 && path.compare(path.size() - 4, 4, ".epd") == 0;
    const std::string base = epd ? path.substr(0, path.size() - 4) : path;
    rewrite.backupPath = base + ".bak";
    // The temporary names fit wherever the database name fits.
    const bool shortNames = lastNameLength(path) + 4 > kNameLimit;
    rewrite.tempPath = shortNames ? base + ".epn" : path + ".new";
    rewrite.backupTempPath = shortNames ? base + ".bkn" : rewrite.backupPath + ".new";
    rewrite.backupCopyPath = shortNames ? base + ".bkc" : rewrite.backupPath + ".cpy";
}

FileStatus beginRewrite(Rewrite& rewrite, std::string_view stem) {
    nameRewriteFiles(rewrite, stem);
    int fd = kNoFile;
    // An interrupt between the creation and the arming would leave the file behind; one
    // before the creation must not remove another run's file of that name.
    holdInterrupts();
    const FileStatus start = lockTemporary(rewrite.tempPath, rewrite.databasePath, fd);
    if (start == FileStatus::Ok) removeOnInterrupt(rewrite.tempPath);
    releaseInterrupts();
    if (start != FileStatus::Ok) return start;
    openWriter(rewrite.out, fd, kWriteBuffer, true);
    // The commit waits for the new file to reach the disk; sent while it is written, most of
    // it is there by then.
    rewrite.out.writesBack = true;
    rewrite.out.directFrom = kDirectWritesFrom;
    // Only now, under the lock, is the database's state the one this run works on.
    rewrite.databaseExisted = nameTaken(rewrite.databasePath);
    // Before the database is opened: Windows removes no name of a file that is open.
    settleBackup(rewrite);
    FileStatus verdict = FileStatus::Ok;
    if (rewrite.databaseExisted) {
        verdict = lockDatabase(rewrite);
        // The old database could never take the backup name.
        if (verdict == FileStatus::Ok && isFolder(rewrite.backupPath)) {
            verdict = FileStatus::DatabaseNotFound;
        }
    }
    if (verdict != FileStatus::Ok) abandonRewrite(rewrite);
    return verdict;
}

FileStatus beginDatabaseRewrite(Rewrite& rewrite, LineReader& reader, std::string_view stem) {
    const FileStatus start = beginRewrite(rewrite, stem);
    if (start != FileStatus::Ok) return start;
    if (rewrite.databaseExisted && openLineReader(reader, rewrite.databasePath, true)) {
        return FileStatus::Ok;
    }
    abandonRewrite(rewrite);
    return FileStatus::DatabaseNotFound;
}

FileStatus databaseReadEnd(LineReader& reader) {
    if (reader.lineTooLong) return FileStatus::LineTooLong;
    const bool textAfter = !reader.readFailed && textAfterCtrlZ(reader);  // reads the rest
    if (reader.readFailed) return FileStatus::DatabaseNotFound;
    return textAfter ? FileStatus::DatabaseTextAfterCtrlZ : FileStatus::Ok;
}

void rewriteLine(Rewrite& rewrite, std::string_view line) { writeLine(rewrite.out, line); }

void rewriteBytes(Rewrite& rewrite, std::string_view bytes) { writeBytes(rewrite.out, bytes); }

bool commitRewrite(Rewrite& rewrite) {
    const int fd = rewrite.out.fd;
    const bool existed = rewrite.databaseExisted;
    bool ok = flushWriter(rewrite.out) && syncFile(fd);
    if (ok && existed) ok = copyPermissions(fd, rewrite.databasePath);
    // An interrupt now would find the files between two names: it waits for the end.
    holdInterrupts();
    const bool backup = ok && existed && prepareBackup(rewrite);
    ok = ok && (!existed || backup);
    // Some systems move no file onto a name that is open.
    releaseDatabaseLock(rewrite);
    // The temporary file stays open, and so locked, until it holds the database name.
    ok = ok && renameReplacing(rewrite.tempPath, rewrite.databasePath);
    if (ok) {
        removeOnInterrupt("");  // the temporary name has gone: it is the database now
        syncFolderOf(rewrite.databasePath);
        ok = !existed || completeBackup(rewrite);
        (void)closeWriter(rewrite.out);
    } else {
        if (backup) (void)removeFile(rewrite.backupTempPath);
        abandonRewrite(rewrite);
    }
    releaseInterrupts();
    return ok;
}

void abandonRewrite(Rewrite& rewrite) {
    releaseDatabaseLock(rewrite);
    if (rewrite.out.fd == kNoFile) return;
    // Removed while still locked: once the lock is gone the name may be another run's, and
    // no interrupt may remove it then.
    holdInterrupts();
    (void)removeFile(rewrite.tempPath);
    removeOnInterrupt("");
    releaseInterrupts();
    (void)closeWriter(rewrite.out);
}

}  // namespace vestrel
