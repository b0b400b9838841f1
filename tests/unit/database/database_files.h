#pragma once
// Helpers for the database tests: a scratch working directory, whole-file reads and writes,
// and capturing what a call writes to standard error.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

#include "base/platform.h"

namespace vestrel {

// The platform defines these for the tests alone; the program moves no descriptor.
// A second descriptor for an open file; kNoFile when none can be made.
int duplicateFile(int fd);
// Makes `target` refer to the file open as `fd`, closing what it referred to before.
bool redirectFile(int fd, int target);

}  // namespace vestrel

namespace vestrel::testing {

// A name for a new file or folder in the system's temporary folder.
inline std::filesystem::path freshTempPath(const std::string& prefix) {
    std::random_device seed;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return folder / (prefix + std::to_string(seed()) + std::to_string(seed()));
}

// Makes a fresh directory the working directory for the lifetime of the object.
class ScratchDir {
public:
    ScratchDir() {
        std::error_code error;
        path_ = freshTempPath("vestrel-db-");
        previous_ = std::filesystem::current_path(error);
        ok_ = !error && std::filesystem::create_directory(path_, error) && !error;
        if (ok_) std::filesystem::current_path(path_, error);
        ok_ = ok_ && !error;
    }
    ~ScratchDir() {
        std::error_code error;
        if (!previous_.empty()) std::filesystem::current_path(previous_, error);
        if (ok_) std::filesystem::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    bool ok() const { return ok_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
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
    std::error_code error;
    return std::filesystem::symlink_status(name, error).type() !=
           std::filesystem::file_type::not_found;
}

// Runs `call` with standard error sent to a temporary file and returns what it wrote.
template <typename Call>
std::string captureStderr(Call&& call) {
    std::fflush(stderr);
    const std::string path = freshTempPath("vestrel-err-").string();
    const int fd = createFile(path);
    const int saved = duplicateFile(kStandardError);
    (void)redirectFile(fd, kStandardError);
    call();
    std::fflush(stderr);
    (void)redirectFile(saved, kStandardError);
    (void)closeFile(saved);
    (void)closeFile(fd);
    std::string text = readFile(path).value_or("");
    std::error_code error;
    std::filesystem::remove(path, error);
    return text;
}

// Lines ended by CR LF, joined.
inline std::string crlfLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace vestrel::testing
