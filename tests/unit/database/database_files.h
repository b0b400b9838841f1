#pragma once
// Helpers for the database tests: a scratch working directory, whole-file reads and writes,
// and capturing what a call writes to standard error.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace vestrel::testing {

// Makes a fresh directory the working directory for the lifetime of the object.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/vestrel-db-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made != nullptr) path_ = made;
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd != nullptr) {
            previous_ = cwd;
            std::free(cwd);
        }
        ok_ = made != nullptr && ::chdir(path_.c_str()) == 0;
    }
    ~ScratchDir() {
        if (!previous_.empty()) (void)::chdir(previous_.c_str());
        if (!path_.empty()) {
            const std::string command = "rm -rf '" + path_ + "'";
            (void)std::system(command.c_str());
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    bool ok() const { return ok_; }

private:
    std::string path_;
    std::string previous_;
    bool ok_ = false;
};

inline void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The whole file, or nothing when it does not exist.
inline std::optional<std::string> readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool fileExists(const std::string& name) {
    struct stat st {};
    return ::lstat(name.c_str(), &st) == 0;
}

// Runs `call` with standard error sent to a temporary file and returns what it wrote.
template <typename Call>
std::string captureStderr(Call&& call) {
    std::fflush(stderr);
    char pattern[] = "/tmp/vestrel-err-XXXXXX";
    const int fd = ::mkstemp(pattern);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(fd, STDERR_FILENO);
    call();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(fd);
    std::string text = readFile(pattern).value_or("");
    ::unlink(pattern);
    return text;
}

// Lines ended by CR LF, joined.
inline std::string crlfLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace vestrel::testing
