#pragma once
// Where the fuzz targets keep their files: a memory-backed folder when there is one, since
// truncating and syncing files on a disk would take most of each run's time.

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace vestrel::fuzzing {

// A new folder of this process's own, so that parallel jobs do not share files.
inline std::filesystem::path newScratchFolder(const std::string& prefix) {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / (prefix + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace vestrel::fuzzing
