#pragma once
// The crop dialog's state: the display rectangle the picture is fitted to, the rubber band's
// bounds kept inside it, the four margins in preview pixels, and Ok's scaling of the margins to
// even source pixels.
#include "batch/lvFilesRecord.h"
#include "player/PlayerTypes.h"

#include <cstdint>
#include <string>

namespace orvel {

struct TCropRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
    bool operator==(const TCropRect&) const = default;
};

// Where a picture of w x h goes when stretched into a target of W x H keeping its shape, in the
// target's coordinates.
TCropRect FitPicture(int w, int h, int W, int H);

// The rubber band's smallest width and height.
inline constexpr int kMinTrackerSize = 10;

// The preview image's size at the dialog's default size. The margins stored in preview pixels
// refer to the picture fitted into it, whatever size the dialog has now.
inline constexpr int kCropPreviewWidth = 370, kCropPreviewHeight = 253;

struct TCropView {
    int Up = 0, Down = 0, Left = 0, Right = 0;
    TCropRect Tracker;
    bool CropEnabled = false; // the rubber band and the spin edits
    std::string SourceName, PTS, Length;
    bool PlayEnabled = true, PauseEnabled = true;
    int SliderMax = 0;
    bool ThumbShown = false;
    int ZoomIndex = -1; // the hidden zoom mirror: 0 "Full screen", 1 "Letterbox", -1 none
    bool operator==(const TCropView&) const = default;
};

enum class TCropMargin { Up, Down, Left, Right };

class TCropModel {
public:
    void FormShow(const TlvFilesRecord& job);
    void FileOpen(int64_t duration, int sliderWidth);
    void OpenFailed();
    // After the file opened: image is where the preview image lies in the rubber band's
    // parent; a source of 0 x 0 has no video.
    void AfterOpen(int sourceWidth, int sourceHeight, TCropRect image, int64_t duration);
    // The preview image moved or changed size (the dialog was resized): the display follows it and
    // the margins keep their share of the picture.
    void Relayout(TCropRect image);
    void Position(int64_t position);
    void State(TPlayState state);

    // What "play" does: resume a paused preview, open the file again after its end, or nothing.
    enum class TPlayAction { Resume, Reopen, None };
    TPlayAction Play();
    void Reopened(bool ok);
    void Pause();

    void TrackerPressed();
    // The rubber band moved or resized itself to bounds.
    void TrackerMoved(TCropRect bounds);
    void MarginChanged(TCropMargin margin, int value);
    void Reset();
    // Margins in pixels of the source (black bars found in it) proposed as the crop: the rectangle
    // is placed over what they leave. Ignored when they would leave less than the smallest
    // rectangle, or when there is nothing to crop.
    bool ProposeSourceMargins(int top, int bottom, int left, int right);
    // The margins as Ok would store them, in source pixels.
    std::string SourceMarginsText() const;

    // Ok. When no file opened the job's crop stays as it was.
    void ApplyTo(TlvFilesRecord& job) const;

    bool HookDraws() const { return !paused_ && !ended_; }
    TCropRect Display() const { return display_; }
    TCropRect Fitted() const { return fitted_; }
    int64_t Duration() const { return duration_; }
    const TCropView& View() const { return view_; }

private:
    int& MarginRef(TCropMargin margin);
    void PlaceTracker();

    TCropRect display_, fitted_;
    TCropRect reference_; // the display at the default preview size
    int sourceWidth_ = 0, sourceHeight_ = 0;
    int lastUp_ = 0, lastDown_ = 0, lastLeft_ = 0, lastRight_ = 0;
    int originLeft_ = 0, originTop_ = 0;
    bool paused_ = true, ended_ = true;
    bool opened_ = false;
    int64_t duration_ = 0;
    TCropView view_;
};

} // namespace orvel
