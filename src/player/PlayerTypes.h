#pragma once
// Values the player's host sees: states, seek flags, driver choices and event signatures.
#include <cstdint>
#include <functional>

#include "engine/pictures/Bitmap24.h"

namespace orvel {

enum TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };

// The four low bits carry the libraries' own seek-flag values.
enum TSeekFlag : int {
    sfBackward = 1, // AVSEEK_FLAG_BACKWARD
    sfByte = 2,     // AVSEEK_FLAG_BYTE
    sfAny = 4,      // AVSEEK_FLAG_ANY
    sfFrame = 8,    // AVSEEK_FLAG_FRAME
    // The player's own: the first picture shown is the one whose time span holds the target,
    // not the keyframe before it; the pictures in between are decoded and passed over.
    sfExact = 16,
};
using TSeekFlags = int;

// Audio back ends as SDL hints on Linux: adDefault leaves SDL's own choice (and an
// SDL_AUDIODRIVER variable in the environment, which always wins), adDirectSound asks for
// "pulseaudio" (the mixing sound server), adWaveOut for "alsa" (the device itself).
enum TAudioDriver { adDefault, adDirectSound, adWaveOut };
// Kept for the host's settings only: pictures go to the host's display surface, never through
// an SDL video driver, so no value changes anything on Linux.
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI };

class IMediaPlayer;

// The sender is the player as the host holds it.

using TFileOpenEvent = std::function<void(IMediaPlayer* sender, int64_t duration, int frameWidth,
                                          int frameHeight, int& screenWidth, int& screenHeight)>;
using THookEvent = std::function<void(IMediaPlayer* sender, Bitmap24& bitmap, int64_t pts)>;
using TPositionEvent = std::function<void(IMediaPlayer* sender, int64_t pts)>;
using TPlayStateEvent = std::function<void(IMediaPlayer* sender, TPlayState state)>;

} // namespace orvel
