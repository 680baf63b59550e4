#pragma once
// The editing dialogs' per-frame drawing. The dialog publishes an immutable snapshot of the values
// to draw with on every change; the player's decoding thread renders each frame with the snapshot
// it loads when the frame starts, so it never reads a widget or the record being edited.
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/JobEffectsRenderer.h"
#include "engine/pictures/Bitmap24.h"

#include <atomic>
#include <memory>

namespace orvel {

struct TlvFilesRecord;

struct TPreviewSettings {
    bool Draw = false; // false: frames pass as decoded (nothing playing yet, paused, ended)
    EffectSettings Effects;
    int CropTop = 0, CropLeft = 0, CropBottom = 0, CropRight = 0;
    TCropOutline Outline = TCropOutline::Plain;

    bool operator==(const TPreviewSettings&) const = default;
    // The job's crop, outlined, around the given effects.
    static TPreviewSettings WithEffects(const TlvFilesRecord& record, EffectSettings effects,
                                        TCropOutline outline, bool draw);
    // The job's own effects and crop outline.
    static TPreviewSettings FromRecord(const TlvFilesRecord& record, TCropOutline outline, bool draw);
};

class TPreviewHook {
public:
    // Main thread, at any time.
    void Publish(TPreviewSettings settings);
    std::shared_ptr<const TPreviewSettings> Current() const { return settings_.load(); }

    // Decoding thread, one frame at a time, the frame locked by the caller. Returns false when
    // nothing was drawn. Throws std::runtime_error when the effects cannot be rendered (a picture
    // that cannot be read), after drawing what could be drawn and the crop outline: the player
    // then logs it.
    bool Render(const BitmapView& frame);

private:
    std::atomic<std::shared_ptr<const TPreviewSettings>> settings_{
        std::make_shared<const TPreviewSettings>()};
    // Decoding thread only: the renderer made for the snapshot last drawn, so its tables and the
    // decoded picture are made once per change rather than once per frame.
    std::shared_ptr<const TPreviewSettings> rendered_;
    std::unique_ptr<TJobEffectsRenderer> renderer_;
};

} // namespace orvel
