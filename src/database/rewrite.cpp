#include "database/rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace vestrel {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool beginRewrite(Rewrite& rewrite, std::string_view stem, bool databaseExists) {
    rewrite.databasePath = std::string(stem) + ".epd";
    rewrite.backupPath = std::string(stem) + ".bak";
    rewrite.tempPath = std::string(stem) + ".epd.new";
    rewrite.databaseExisted = databaseExists;
    if (databaseExists) {
        // The previous backup goes first; if it stays, the old database could not take its name.
        ::unlink(rewrite.backupPath.c_str());
        if (exists(rewrite.backupPath)) return false;
    }
    int fd = ::open(rewrite.tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (databaseExists) {
        // The new file keeps the old one's permissions.
        struct stat st {};
        if (::stat(rewrite.databasePath.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
    }
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
    ok = ok && ::fsync(rewrite.out.fd) == 0;
    ok = ::close(rewrite.out.fd) == 0 && ok;
    rewrite.out.fd = -1;
    if (!ok) {
        ::unlink(rewrite.tempPath.c_str());
        return false;
    }
    if (rewrite.databaseExisted) {
        // A hard link keeps the database name occupied while the backup appears; where links
        // are not possible the database is renamed, leaving a moment with the backup alone.
        if (::link(rewrite.databasePath.c_str(), rewrite.backupPath.c_str()) != 0 &&
            ::rename(rewrite.databasePath.c_str(), rewrite.backupPath.c_str()) != 0) {
            ::unlink(rewrite.tempPath.c_str());
            return false;
        }
    }
    if (::rename(rewrite.tempPath.c_str(), rewrite.databasePath.c_str()) != 0) {
        if (rewrite.databaseExisted && !exists(rewrite.databasePath)) {
            ::rename(rewrite.backupPath.c_str(), rewrite.databasePath.c_str());
        }
        ::unlink(rewrite.tempPath.c_str());
        return false;
    }
    return true;
}

void abandonRewrite(Rewrite& rewrite) {
    if (rewrite.out.fd >= 0) ::close(rewrite.out.fd);
    rewrite.out.fd = -1;
    ::unlink(rewrite.tempPath.c_str());
}

}  // namespace vestrel
