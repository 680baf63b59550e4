#pragma once
// Whether this process still holds a file open: what "the file is released" means on a system
// where an open file can be renamed or deleted anyway.
#include <filesystem>

namespace orvel::test {

inline bool OpenInThisProcess(const std::filesystem::path& file) {
    const std::filesystem::path target = std::filesystem::canonical(file);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec) == target) return true;
    }
    return false;
}

} // namespace orvel::test
