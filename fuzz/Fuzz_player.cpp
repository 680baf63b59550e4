// Opens a byte buffer, taken as a file, in the preview player with silent sound and a surface
// that shows nothing; plays about a second, seeks and closes. Every file a user adds can be
// previewed, so the player meets whatever the probe lets through.
#include "FuzzInput.h"
#include "engine/component/MainThreadDispatcher.h"
#include "player/FFPlay.h"

#include <cstdlib>

namespace {

class NullSurface : public orvel::IDisplaySurface {
public:
    void ClientSize(int& width, int& height) const override {
        width = 320;
        height = 240;
    }
    bool OpenDisplay(int, int) override { return true; }
    void ShowPicture(const orvel::YuvPicture&, const orvel::DisplayRect&) override {}
    void SetListener(orvel::IDisplayListener*) override {}
};

// The fuzzer's thread is the main thread the player hands its events to.
orvel::QueuedDispatcher& Dispatcher() {
    static orvel::QueuedDispatcher dispatcher;
    static const bool installed = [] {
        // No sound card or display: the drivers that play into nothing.
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        orvel::SetMainThreadDispatcher(&dispatcher);
        return true;
    }();
    (void)installed;
    return dispatcher;
}

void Serve(int ms) {
    Dispatcher().ServeUntil([] { return false; }, ms);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvel::fuzz::Setup();
    Dispatcher();
    const std::string path = orvel::fuzz::WriteInput(data, size);
    NullSurface surface;
    orvel::TFFPlayer player;
    if (!player.LoadLibraries("")) return 0;
    if (player.Open(path, &surface)) {
        Serve(1000);
        player.Seek(orvel::sfBackward, true, 300000);
        Serve(200);
        player.Stop(true);
    }
    Serve(10); // events the closing left behind
    return 0;
}
