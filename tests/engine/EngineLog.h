#pragma once
// Collects the engine's log lines for the length of one test.
#include "engine/foundation/FFmpegLogger.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvel::testing {

class EngineLog {
public:
    EngineLog() {
        FFLogger().SetTriggerEventInMainThread(false);
        saved_ = FFLogger().LogLevel();
        FFLogger().SetLogLevel(llDebug);
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(level, text);
        });
    }
    ~EngineLog() {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetLogLevel(saved_);
    }
    EngineLog(const EngineLog&) = delete;
    EngineLog& operator=(const EngineLog&) = delete;

    bool Has(TLogLevel level, const std::string& text) const {
        std::lock_guard lock(mutex_);
        for (const auto& [l, t] : lines_)
            if (l == level && t == text) return true;
        return false;
    }
    bool Contains(const std::string& part) const {
        std::lock_guard lock(mutex_);
        for (const auto& [l, t] : lines_)
            if (t.find(part) != std::string::npos) return true;
        return false;
    }
    // Every line that holds `part`, in order.
    std::vector<std::string> Matching(const std::string& part) const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> found;
        for (const auto& [l, t] : lines_)
            if (t.find(part) != std::string::npos) found.push_back(t);
        return found;
    }

private:
    mutable std::mutex mutex_;
    TLogLevel saved_ = llInfo;
    std::vector<std::pair<TLogLevel, std::string>> lines_;
};

} // namespace orvel::testing
