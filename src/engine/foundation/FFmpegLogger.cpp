#include "engine/foundation/FFmpegLogger.h"

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFUtils.h"
#include "engine/foundation/StringUtils.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace orvel {
namespace {

// The library level every component filters with; the libraries start at "info".
std::atomic<int> g_libraryLevel{AV_LOG_INFO};

std::mutex g_instanceMutex;
TFFLogger* g_current = nullptr;
// The instance made on demand when nobody created one; freed at shutdown.
std::unique_ptr<TFFLogger> g_ownerless;

// One pending partial line per thread that wrote library output, so partial lines from
// different threads never mix.
struct TLogItem {
    uint32_t ThreadId;
    std::string Text;
};
std::mutex g_listMutex;
std::list<TLogItem> g_logList;

const char* const kLevelNames[] = {"quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug"};

void LibraryCallback(void* context, int level, const char* format, va_list args) {
    if (level > g_libraryLevel.load()) return;

    std::string prefix;
    if (context) {
        const AVClass* avc = *static_cast<const AVClass* const*>(context);
        if (avc) {
            const char* name = avc->item_name ? avc->item_name(context) : avc->class_name;
            char buf[256];
            std::snprintf(buf, sizeof buf, "[%s @ %p]", name ? name : "", context);
            prefix = buf;
        }
    }

    char text[2048] = {};
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(text, sizeof text, format, copy);
    va_end(copy);

    const uint32_t tid = CurrentThreadId();
    std::vector<std::string> lines;
    {
        std::lock_guard lock(g_listMutex);
        auto it = std::find_if(g_logList.begin(), g_logList.end(),
                               [tid](const TLogItem& item) { return item.ThreadId == tid; });
        if (it == g_logList.end()) {
            g_logList.push_front(TLogItem{tid, {}});
            it = g_logList.begin();
        }
        if (it->Text.empty()) it->Text = prefix;
        it->Text += text;
        size_t pos;
        while ((pos = it->Text.find('\n')) != std::string::npos) {
            lines.push_back(it->Text.substr(0, pos));
            it->Text.erase(0, pos + 1);
        }
    }
    if (lines.empty()) return;
    TFFLogger& logger = TFFLogger::Instance();
    for (const std::string& line : lines)
        logger.RaiseLogEvent(&logger, tid, LibraryToLogLevel(level), line);
}

} // namespace

uint32_t CurrentThreadId() {
    return static_cast<uint32_t>(gettid());
}

int LogLevelToLibrary(TLogLevel level) {
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LibraryToLogLevel(int libraryLevel) {
    if (libraryLevel < AV_LOG_QUIET) return llQuiet;
    if (libraryLevel >= AV_LOG_DEBUG) return llDebug;
    return static_cast<TLogLevel>(libraryLevel / 8 + 1);
}

bool LibraryLevelOfName(const std::string& name, int& libraryLevel) {
    for (int i = 0; i <= llDebug; ++i) {
        if (SameText(name, kLevelNames[i])) {
            libraryLevel = LogLevelToLibrary(static_cast<TLogLevel>(i));
            return true;
        }
    }
    if (name.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(name.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
    libraryLevel = static_cast<int>(value);
    return true;
}

int CurrentLibraryLogLevel() {
    return g_libraryLevel.load();
}

struct TFFLogger::Impl {
    std::mutex mutex; // guards the settings below
    TLogLevel level = llInfo;
    bool triggerInMainThread = true;
    TLogEvent onLog;
    // Delivery outside the main thread goes one event at a time, as with a single info record.
    // Recursive: a handler may log again.
    std::recursive_mutex deliveryMutex;
    TLogInfo info;
};

TFFLogger::TFFLogger() : impl_(new Impl) {
    std::lock_guard lock(g_instanceMutex);
    if (g_current) {
        delete impl_;
        throw std::logic_error("Allow creating only one instance of TFFLogger.");
    }
    impl_->level = LibraryToLogLevel(g_libraryLevel.load());
    g_current = this;
}

TFFLogger::~TFFLogger() {
    {
        std::lock_guard lock(g_instanceMutex);
        if (g_current == this) g_current = nullptr;
    }
    delete impl_;
}

TFFLogger& TFFLogger::Instance() {
    {
        std::lock_guard lock(g_instanceMutex);
        if (g_current) return *g_current;
    }
    // The constructor takes the instance lock itself. When another thread wins the race its
    // instance is the current one and ours is refused.
    std::unique_ptr<TFFLogger> made;
    try {
        made = std::make_unique<TFFLogger>();
    } catch (const std::logic_error&) {
    }
    std::lock_guard lock(g_instanceMutex);
    if (made) g_ownerless = std::move(made);
    return *g_current;
}

bool TFFLogger::HasInstance() {
    std::lock_guard lock(g_instanceMutex);
    return g_current != nullptr;
}

TLogLevel TFFLogger::LogLevel() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->level;
}

void TFFLogger::ApplyLibraryLevel(int libraryLevel) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->level = LibraryToLogLevel(libraryLevel);
    }
    g_libraryLevel.store(libraryLevel);
    av_log_set_level(libraryLevel);
}

void TFFLogger::SetLogLevel(TLogLevel level) {
    ApplyLibraryLevel(LogLevelToLibrary(level));
}

bool TFFLogger::SetLogLevelByName(const std::string& name) {
    int libraryLevel = 0;
    if (!LibraryLevelOfName(name, libraryLevel)) return false;
    ApplyLibraryLevel(libraryLevel);
    return true;
}

bool TFFLogger::TriggerEventInMainThread() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->triggerInMainThread;
}

void TFFLogger::SetTriggerEventInMainThread(bool value) {
    std::lock_guard lock(impl_->mutex);
    impl_->triggerInMainThread = value;
}

void TFFLogger::SetOnLog(TLogEvent handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->onLog = std::move(handler);
}

void TFFLogger::RaiseLogEvent(const void* sender, uint32_t threadId, TLogLevel level,
                              const std::string& message) {
    TLogEvent handler;
    bool inMain;
    {
        std::lock_guard lock(impl_->mutex);
        handler = impl_->onLog;
        inMain = impl_->triggerInMainThread;
    }
    if (!handler) return;
    if (inMain) {
        // Handlers run only in the main thread, so they already come one at a time; taking the
        // delivery lock here could deadlock against a main thread that logs while we wait.
        RunInMainThread([&] {
            impl_->info = TLogInfo{sender, threadId, level, message};
            handler(impl_->info.Sender, impl_->info.ThreadId, impl_->info.Level, impl_->info.Message);
        });
        return;
    }
    std::lock_guard lock(impl_->deliveryMutex);
    impl_->info = TLogInfo{sender, threadId, level, message};
    handler(impl_->info.Sender, impl_->info.ThreadId, impl_->info.Level, impl_->info.Message);
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& message) {
    const TLogLevel current = LogLevel();
    if (current >= level || (level == llVerbose && current != llQuiet))
        RaiseLogEvent(sender, CurrentThreadId(), level, message);
}

void TFFLogger::LogFmt(const void* sender, TLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = VStrFormat(format, args);
    va_end(args);
    Log(sender, level, text);
}

void TFFLogger::InstallLibraryCallback() {
    av_log_set_callback(&LibraryCallback);
    av_log_set_level(g_libraryLevel.load());
}

} // namespace orvel
