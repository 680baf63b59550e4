#pragma once
// Renders one job's effects onto frame after frame, as RenderJobEffects does for a single frame,
// keeping what does not change between frames: the effects step's tables, the decoded overlay
// picture and the recorded watermark text. The pixels are the same as RenderJobEffects gives.
#include "editing/effects/ColorEffects.h"
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/PictureCache.h"
#include "editing/effects/TextMask.h"

#include <mutex>
#include <string>

namespace orvel {

class TJobEffectsRenderer {
public:
    explicit TJobEffectsRenderer(EffectSettings settings);

    const EffectSettings& Settings() const { return settings_; }

    // Text, picture and effects steps in the order the two "process" flags select. A picture that
    // cannot be loaded (or text that cannot be drawn) stops the render: the remaining steps are
    // not applied, the function returns false and error (when given) says why. One frame at a
    // time; calls from several threads wait for each other.
    bool Render(const BitmapView& frame, std::string* error = nullptr);

    // Recording the text (TTextMask) costs about as much as drawing it this many times, so a job
    // draws its text directly this often and then records it: a short job never pays for a
    // recording, and a long one pays at most twice what the cheaper way would have cost.
    static constexpr int kTextDrawsBeforeRecording = 256;

private:
    bool DrawText(const BitmapView& frame);

    const EffectSettings settings_;
    const TColorEffects colors_;
    std::mutex mutex_;
    TPictureCache picture_;
    TTextMask text_;
    int textDraws_ = 0; // direct drawings so far; recording is tried once, when it reaches the limit
};

} // namespace orvel
