#pragma once
// Shared logger of the media components: the libraries' own log output and the engine's
// messages reach one handler, filtered by one level.
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

namespace orvel {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// Level n is library level (n - 1) * 8; the reverse truncates toward zero.
int LogLevelToLibrary(TLogLevel level);
TLogLevel LibraryToLogLevel(int libraryLevel);
// "quiet" .. "debug" without regard to case, or an integer. False when the text is neither.
bool LibraryLevelOfName(const std::string& name, int& libraryLevel);
// The process-wide library level the library callback filters with (32 at start).
int CurrentLibraryLogLevel();
// The id a log event reports for the calling thread (the kernel's thread id).
uint32_t CurrentThreadId();

struct TLogInfo {
    const void* Sender = nullptr;
    uint32_t ThreadId = 0;
    TLogLevel Level = llInfo;
    std::string Message;
};

using TLogEvent =
    std::function<void(const void* sender, uint32_t threadId, TLogLevel level, const std::string& message)>;

class TFFLogger {
public:
    TFFLogger();
    ~TFFLogger();
    TFFLogger(const TFFLogger&) = delete;
    TFFLogger& operator=(const TFFLogger&) = delete;

    TLogLevel LogLevel() const;
    void SetLogLevel(TLogLevel level);
    // "quiet" .. "debug" without regard to case, or an integer library level. False when the
    // text is neither.
    bool SetLogLevelByName(const std::string& name);

    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);
    void SetOnLog(TLogEvent handler);

    // Engine message: delivered when LogLevel >= level, or level is llVerbose and LogLevel is
    // not llQuiet.
    void Log(const void* sender, TLogLevel level, const std::string& message);
    void LogFmt(const void* sender, TLogLevel level, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    // Routes the libraries' log callback to the current logger and passes the level on.
    void InstallLibraryCallback();

    // Hands one event to OnLog: in the main thread when TriggerEventInMainThread (the caller
    // waits), else in the calling thread, one event at a time.
    void RaiseLogEvent(const void* sender, uint32_t threadId, TLogLevel level, const std::string& message);

    // The current instance; one is created without an owner when none exists. Creating a second
    // instance while one exists throws std::logic_error.
    static TFFLogger& Instance();
    static bool HasInstance();

private:
    void ApplyLibraryLevel(int libraryLevel);

    struct Impl;
    Impl* impl_;
};

// Shorthands for engine call sites.
inline TFFLogger& FFLogger() {
    return TFFLogger::Instance();
}

} // namespace orvel
