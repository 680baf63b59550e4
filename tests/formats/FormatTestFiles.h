#pragma once
// A scratch folder per test for settings and definition files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace orvel::fmttest {

class TScratchFolder {
public:
    TScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // Memory-backed when available: the settings store syncs every write to disk.
        const std::filesystem::path shm("/dev/shm");
        const auto base = std::filesystem::is_directory(shm) && ::access("/dev/shm", W_OK) == 0
                              ? shm
                              : std::filesystem::temp_directory_path();
        dir_ = base / ("orvel_formats_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                       info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~TScratchFolder() { std::filesystem::remove_all(dir_); }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

private:
    std::filesystem::path dir_;
};

} // namespace orvel::fmttest
