#pragma once
// Frame hooks ("vhook"): external modules that draw on every decoded picture of a task.
// A module exports
//   int  Configure(void** ctx, int argc, char* argv[]);   optional, required with arguments
//   void Process(void* ctx, TVhookPicture* picture, int pixelFormat, int width, int height,
//                int64_t pts);                               required
//   void Release(void* ctx);                                  optional
// TVhookPicture keeps the memory layout of the picture record such modules were written for.
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
struct AVFrame;
}

namespace orvel {

struct TVhookPicture {
    uint8_t* data[4];
    int linesize[4];
};

using TVhookConfigure = int (*)(void** ctx, int argc, char* argv[]);
using TVhookProcess = void (*)(void* ctx, TVhookPicture* picture, int pixelFormat, int width, int height,
                               int64_t pts);
using TVhookRelease = void (*)(void* ctx);

struct TFrameHookEntry {
    void* Context = nullptr;
    TVhookConfigure Configure = nullptr;
    TVhookProcess Process = nullptr;
    TVhookRelease Release = nullptr;
};

struct TFrameHooks {
    std::vector<TFrameHookEntry> Entries;
    bool Enabled = false; // switched on by the first hook added
};

// Loads (once per process; modules are never unloaded) and configures the hook named by the
// option value, appends it to the list and switches hooks on. Raises FFmpegException
// "Failed to add video hook function: <value>" when the hook is refused; the reason goes to
// the library log.
void AddFrameHook(TFrameHooks& hooks, const std::string& value);

// Hands one picture to every hook in list order. The frame must be writable.
void ProcessFrameHooks(const TFrameHooks& hooks, AVFrame* frame, int64_t pts);

// Calls every hook's Release with its context and empties the list.
void ReleaseFrameHooks(TFrameHooks& hooks);

} // namespace orvel
