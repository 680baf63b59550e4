#pragma once
// Sound output: an SDL audio device that pulls signed 16-bit samples through a callback, the
// volume mixing the player applies, and the conversion of decoded samples of any format.
#include <SDL2/SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/foundation/AVHandles.h"
#include "player/PlayerTypes.h"

namespace orvel {

// Driver names asked of SDL. Empty leaves SDL's own choice (and the SDL_AUDIODRIVER variable of
// the environment) alone.
const char* AudioDriverName(TAudioDriver driver);
// SDL draws nothing for the player (a host surface does), so no video driver applies on Linux.
const char* VideoDriverName(TVideoDriver driver);

// Copies len bytes of signed 16-bit samples into dst at volume 0..128 the way SDL mixes
// (128 leaves the samples unchanged), or writes silence when muted.
void MixSamples(uint8_t* dst, const uint8_t* src, int len, int volume, bool mute);

class AudioDevice {
public:
    using Fill = std::function<void(uint8_t* stream, int len)>;
    static constexpr int kBufferSamples = 1024;

    AudioDevice() = default;
    ~AudioDevice() { Close(); }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the device paused; error gets SDL's text on failure.
    bool Open(int sampleRate, int channels, Fill fill, std::string& error);
    void Start();
    // Waits for a running callback to return.
    void Close();
    bool IsOpen() const { return device_ != 0; }
    int BufferBytes() const { return bufferBytes_; }

private:
    static void SDLCALL Callback(void* userdata, Uint8* stream, int len);

    SDL_AudioDeviceID device_ = 0;
    int bufferBytes_ = 0;
    Fill fill_;
};

// Decoded samples -> interleaved signed 16-bit at the same rate with outChannels channels.
class SampleConverter {
public:
    // False when no converter can be made for the frame's format; error names the formats.
    ~SampleConverter() { Reset(); }
    bool Convert(const AVFrame* frame, int outChannels, std::vector<uint8_t>& out, std::string& error);
    void Reset();

private:
    SwrContextPtr swr_;
    int format_ = -1;
    int rate_ = 0;
    AVChannelLayout layout_{};
    int outChannels_ = 0;
};

} // namespace orvel
