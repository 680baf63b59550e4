#include "engine/pictures/FrameHooks.h"

#include "engine/foundation/FFmpegException.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}
#include <dlfcn.h>
#include <map>
#include <mutex>

namespace orvel {

namespace {

constexpr size_t kMaxHookArgs = 254;

// Modules stay loaded for the life of the process: hooks of finished tasks may still be
// referenced by a task that is being released, and reloading would re-run their
// initialisers.
std::mutex& ModulesLock() {
    static std::mutex m;
    return m;
}
std::map<std::string, void*>& Modules() {
    static std::map<std::string, void*> modules;
    return modules;
}

std::vector<std::string> SplitHookWords(const std::string& value) {
    const char sep = value.find('|') != std::string::npos ? '|' : ' ';
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find(sep, start);
        if (end == std::string::npos) end = value.size();
        if (end > start) words.push_back(value.substr(start, end - start));
        start = end + 1;
    }
    if (words.size() > kMaxHookArgs + 1) words.resize(kMaxHookArgs + 1);
    return words;
}

void* LoadModule(const std::string& path) {
    std::lock_guard lock(ModulesLock());
    auto it = Modules().find(path);
    if (it != Modules().end()) return it->second;
    // RTLD_LOCAL keeps each module's "Process" apart from every other module's.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        av_log(nullptr, AV_LOG_ERROR, "%s\n", why ? why : path.c_str());
        return nullptr;
    }
    Modules().emplace(path, handle);
    return handle;
}

bool TryAddHook(TFrameHooks& hooks, const std::string& value) {
    std::vector<std::string> words = SplitHookWords(value);
    if (words.empty()) return false;
    const std::string& module = words[0];
    void* handle = LoadModule(module);
    if (!handle) return false;
    TFrameHookEntry entry;
    entry.Process = reinterpret_cast<TVhookProcess>(dlsym(handle, "Process"));
    if (!entry.Process) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", module.c_str());
        return false;
    }
    entry.Configure = reinterpret_cast<TVhookConfigure>(dlsym(handle, "Configure"));
    entry.Release = reinterpret_cast<TVhookRelease>(dlsym(handle, "Release"));
    if (words.size() > 1 && !entry.Configure) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", module.c_str());
        return false;
    }
    if (entry.Configure) {
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        if (entry.Configure(&entry.Context, int(words.size()), argv.data()) != 0) {
            av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", module.c_str());
            return false;
        }
    }
    hooks.Entries.push_back(entry);
    hooks.Enabled = true;
    return true;
}

} // namespace

void AddFrameHook(TFrameHooks& hooks, const std::string& value) {
    if (!TryAddHook(hooks, value)) throw FFmpegException("Failed to add video hook function: " + value);
}

void ProcessFrameHooks(const TFrameHooks& hooks, AVFrame* frame, int64_t pts) {
    if (!frame) return;
    TVhookPicture picture{};
    for (int i = 0; i < 4; ++i) {
        picture.data[i] = frame->data[i];
        picture.linesize[i] = frame->linesize[i];
    }
    for (const auto& e : hooks.Entries)
        e.Process(e.Context, &picture, frame->format, frame->width, frame->height, pts);
}

void ReleaseFrameHooks(TFrameHooks& hooks) {
    for (auto& e : hooks.Entries)
        if (e.Release) e.Release(e.Context);
    hooks.Entries.clear();
    hooks.Enabled = false;
}

} // namespace orvel
