#pragma once
// The keys of the editing dialogs' previews: Space plays and pauses, Left and Right step one
// picture while paused and five seconds while playing, Home and End go to the first and the last
// picture.
#include <cstdint>

namespace orvel {

enum class TPreviewKey { PlayPause, Back, Forward, Home, End };

struct TPreviewMove {
    enum TKind {
        TogglePlay,  // as pressing whichever of "play" and "pause" is enabled
        NextPicture, // play until the next picture is shown, then pause again
        SeekTo,      // seek to Target microseconds
    } Kind = TogglePlay;
    int64_t Target = 0;
    // Lands on the picture at Target itself rather than the keyframe before it: a step.
    bool Exact = false;
    bool operator==(const TPreviewMove&) const = default;
};

// One picture when the file's rate is not known; a step back lands exactly on the picture that
// holds the position one picture earlier.
inline constexpr int64_t kPictureStep = 40'000;
inline constexpr int64_t kPlayingStep = 5'000'000;

TPreviewMove PreviewKeyMove(TPreviewKey key, bool playing, int64_t position, int64_t duration);

} // namespace orvel
