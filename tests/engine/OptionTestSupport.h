#pragma once
// Shared by the option, preset, target and frame hook tests: captures what the engine logs
// and what the libraries log, for the life of one test.
#include "engine/foundation/FFmpegLogger.h"

extern "C" {
#include <libavutil/log.h>
}
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvel::testing {

class LogCapture {
public:
    LogCapture() {
        FFLogger().SetTriggerEventInMainThread(false);
        savedLevel_ = FFLogger().LogLevel();
        FFLogger().SetLogLevel(llDebug);
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
            std::lock_guard lock(mutex_);
            engine_.emplace_back(level, text);
        });
        Active() = this;
        av_log_set_callback([](void*, int level, const char* fmt, va_list args) {
            char line[1024];
            std::vsnprintf(line, sizeof line, fmt, args);
            if (LogCapture* self = Active()) {
                std::lock_guard lock(self->mutex_);
                self->library_.emplace_back(level, line);
            }
        });
    }
    ~LogCapture() {
        av_log_set_callback(av_log_default_callback);
        Active() = nullptr;
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetLogLevel(savedLevel_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool EngineLogged(TLogLevel level, const std::string& text) const {
        std::lock_guard lock(mutex_);
        for (const auto& [l, t] : engine_)
            if (l == level && t == text) return true;
        return false;
    }
    size_t EngineCount() const {
        std::lock_guard lock(mutex_);
        return engine_.size();
    }
    bool LibraryLogged(int level, const std::string& text) const {
        std::lock_guard lock(mutex_);
        for (const auto& [l, t] : library_)
            if (l == level && t == text) return true;
        return false;
    }

private:
    static LogCapture*& Active() {
        static LogCapture* active = nullptr;
        return active;
    }
    mutable std::mutex mutex_;
    TLogLevel savedLevel_ = llInfo;
    std::vector<std::pair<TLogLevel, std::string>> engine_;
    std::vector<std::pair<int, std::string>> library_;
};

} // namespace orvel::testing
