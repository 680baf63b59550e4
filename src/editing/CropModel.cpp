#include "editing/CropModel.h"

#include "editing/TimeTexts.h"

#include <algorithm>
#include <cmath>

namespace orvel {

namespace {

// Halves to even, as the stored margins are rounded.
int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

int64_t RoundedSeconds(int64_t microseconds) {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(microseconds) / 1000000.0));
}

int ScaledEven(int value, int sourceSize, int displaySize) {
    if (sourceSize <= 0 || displaySize <= 0) return 0;
    const double scaled =
        sourceSize == displaySize ? value : static_cast<double>(value) * sourceSize / displaySize;
    return 2 * (RoundHalfEven(scaled) / 2);
}

// A margin of one display size in pixels of another.
int ScaledMargin(int value, int from, int to) {
    if (from <= 0 || to <= 0 || from == to) return value;
    return static_cast<int>(std::lround(static_cast<double>(value) * to / from));
}

// The display rectangle of a picture fitted into the image: the fitted picture less its border.
TCropRect DisplayIn(const TCropRect& image, const TCropRect& fitted) {
    return {image.Left + fitted.Left + 1, image.Top + fitted.Top + 1, fitted.Width - 2, fitted.Height - 2};
}

} // namespace

TCropRect FitPicture(int w, int h, int W, int H) {
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return {0, 0, W, H};
    const double a = static_cast<double>(w) / W, b = static_cast<double>(h) / H;
    if (a >= b) {
        const int m = RoundHalfEven((H - h / a) / 2);
        return {0, m, W, H - 2 * m};
    }
    const int m = RoundHalfEven((W - w / b) / 2);
    return {m, 0, W - 2 * m, H};
}

void TCropModel::FormShow(const TlvFilesRecord& job) {
    view_ = {};
    paused_ = ended_ = true;
    opened_ = false;
    sourceWidth_ = sourceHeight_ = 0;
    display_ = fitted_ = {};
    view_.SourceName = ShortenedSourceName(job.SourceFile, 50, 44);
    // "pan" has no item in the mirror, so it stays as it is, like the modes without one.
    if (job.ZoomMode == "lbox")
        view_.ZoomIndex = 1;
    else if (job.ZoomMode == "orig" || job.ZoomMode == "cent" || job.ZoomMode == "pan")
        view_.ZoomIndex = -1;
    else
        view_.ZoomIndex = 0;
    view_.Up = job.CropUpInput;
    view_.Down = job.CropDownInput;
    view_.Left = job.CropLeftInput;
    view_.Right = job.CropRightInput;
}

void TCropModel::FileOpen(int64_t duration, int sliderWidth) {
    duration_ = std::max<int64_t>(duration, 0);
    view_.Length = FormatSeconds(RoundedSeconds(duration_));
    view_.PTS = "0.0";
    view_.SliderMax = sliderWidth;
    view_.ThumbShown = duration_ > 0;
}

void TCropModel::OpenFailed() {
    view_.PlayEnabled = view_.PauseEnabled = false;
}

void TCropModel::AfterOpen(int sourceWidth, int sourceHeight, TCropRect image, int64_t duration) {
    opened_ = true;
    paused_ = ended_ = false;
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
    view_.Length = FormatSecondsLength(duration);
    if (sourceWidth <= 0 || sourceHeight <= 0) {
        view_.CropEnabled = false;
        view_.Up = view_.Down = view_.Left = view_.Right = 0;
        lastUp_ = lastDown_ = lastLeft_ = lastRight_ = 0;
        return;
    }
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    fitted_ = FitPicture(sourceWidth, sourceHeight, image.Width, image.Height);
    display_ = DisplayIn(image, fitted_);
    reference_ = DisplayIn({}, FitPicture(sourceWidth, sourceHeight, kCropPreviewWidth, kCropPreviewHeight));
    view_.Up = ScaledMargin(view_.Up, reference_.Height, display_.Height);
    view_.Down = ScaledMargin(view_.Down, reference_.Height, display_.Height);
    view_.Left = ScaledMargin(view_.Left, reference_.Width, display_.Width);
    view_.Right = ScaledMargin(view_.Right, reference_.Width, display_.Width);
    lastUp_ = view_.Up;
    lastDown_ = view_.Down;
    lastLeft_ = view_.Left;
    lastRight_ = view_.Right;
    PlaceTracker();
    originLeft_ = view_.Tracker.Left;
    originTop_ = view_.Tracker.Top;
    view_.CropEnabled = true;
}

void TCropModel::Relayout(TCropRect image) {
    if (!view_.CropEnabled) return;
    const TCropRect before = display_;
    fitted_ = FitPicture(sourceWidth_, sourceHeight_, image.Width, image.Height);
    display_ = DisplayIn(image, fitted_);
    view_.Up = lastUp_ = ScaledMargin(view_.Up, before.Height, display_.Height);
    view_.Down = lastDown_ = ScaledMargin(view_.Down, before.Height, display_.Height);
    view_.Left = lastLeft_ = ScaledMargin(view_.Left, before.Width, display_.Width);
    view_.Right = lastRight_ = ScaledMargin(view_.Right, before.Width, display_.Width);
    PlaceTracker();
    originLeft_ = view_.Tracker.Left;
    originTop_ = view_.Tracker.Top;
}

void TCropModel::PlaceTracker() {
    view_.Tracker = {display_.Left + view_.Left, display_.Top + view_.Up,
                     display_.Width - view_.Right - view_.Left, display_.Height - view_.Down - view_.Up};
}

void TCropModel::Position(int64_t position) {
    view_.PTS = FormatSeconds(RoundedSeconds(position));
}

void TCropModel::State(TPlayState state) {
    if (state == psPause) {
        paused_ = true;
        ended_ = false;
        view_.PlayEnabled = true;
        view_.PauseEnabled = false;
    } else if (state == psEnd) {
        ended_ = true;
        view_.PlayEnabled = true;
        view_.PauseEnabled = false;
    }
}

TCropModel::TPlayAction TCropModel::Play() {
    if (paused_) {
        paused_ = ended_ = false;
        view_.PlayEnabled = false;
        view_.PauseEnabled = true;
        return TPlayAction::Resume;
    }
    return ended_ ? TPlayAction::Reopen : TPlayAction::None;
}

void TCropModel::Reopened(bool ok) {
    if (ok) {
        paused_ = ended_ = false;
        view_.PlayEnabled = false;
        view_.PauseEnabled = true;
    } else {
        view_.PlayEnabled = view_.PauseEnabled = false;
    }
}

void TCropModel::Pause() {
    paused_ = true;
    ended_ = false;
    view_.PlayEnabled = true;
    view_.PauseEnabled = false;
}

void TCropModel::TrackerPressed() {
    originLeft_ = view_.Tracker.Left;
    originTop_ = view_.Tracker.Top;
}

void TCropModel::TrackerMoved(TCropRect r) {
    const TCropRect& d = display_;
    if (r.Left <= d.Left) r.Left = d.Left + view_.Left;
    if (r.Top <= d.Top) r.Top = d.Top;
    const auto rightOut = [&] { return r.Left + r.Width - 2 - d.Left > d.Width; };
    const auto bottomOut = [&] { return r.Top + r.Height - 2 - d.Top > d.Height; };
    if (rightOut() && bottomOut()) {
        r.Top = originTop_;
        r.Left = originLeft_;
        r.Width = d.Width - (r.Left - d.Left);
        r.Height = d.Height - (r.Top - d.Top);
    }
    if (rightOut()) {
        r.Left = originLeft_;
        r.Width = d.Width - (r.Left - d.Left);
    }
    if (bottomOut()) {
        r.Top = originTop_;
        r.Height = d.Height - (r.Top - d.Top);
    }
    view_.Tracker = r;
    view_.Up = std::max(r.Top - d.Top, 0);
    view_.Down = std::max(d.Height - r.Height - (r.Top - d.Top), 0);
    view_.Left = std::max(r.Left - d.Left, 0);
    view_.Right = std::max(d.Width - r.Width - (r.Left - d.Left), 0);
    lastUp_ = view_.Up;
    lastDown_ = view_.Down;
    lastLeft_ = view_.Left;
    lastRight_ = view_.Right;
}

int& TCropModel::MarginRef(TCropMargin margin) {
    switch (margin) {
    case TCropMargin::Up:
        return view_.Up;
    case TCropMargin::Down:
        return view_.Down;
    case TCropMargin::Left:
        return view_.Left;
    case TCropMargin::Right:
        break;
    }
    return view_.Right;
}

void TCropModel::MarginChanged(TCropMargin margin, int value) {
    const bool vertical = margin == TCropMargin::Up || margin == TCropMargin::Down;
    const int last = margin == TCropMargin::Up     ? lastUp_
                     : margin == TCropMargin::Down ? lastDown_
                     : margin == TCropMargin::Left ? lastLeft_
                                                   : lastRight_;
    const int size = vertical ? view_.Tracker.Height : view_.Tracker.Width;
    // A page step goes ten at a time: it stops where the rectangle reaches its smallest size.
    if (value > last) value = std::min(value, last + std::max(size - kMinTrackerSize, 0));
    if (size <= kMinTrackerSize && value >= last) {
        MarginRef(margin) = last;
        return;
    }
    MarginRef(margin) = std::max(value, 0);
    if (vertical) {
        view_.Tracker.Top = display_.Top + view_.Up;
        view_.Tracker.Height = display_.Height - view_.Down - view_.Up;
        lastUp_ = view_.Up;
        lastDown_ = view_.Down;
        originTop_ = display_.Top + view_.Up;
    } else {
        view_.Tracker.Left = display_.Left + view_.Left;
        view_.Tracker.Width = display_.Width - view_.Right - view_.Left;
        lastLeft_ = view_.Left;
        lastRight_ = view_.Right;
        originLeft_ = display_.Left + view_.Left;
    }
}

void TCropModel::Reset() {
    view_.Up = view_.Down = view_.Left = view_.Right = 0;
    lastUp_ = lastDown_ = lastLeft_ = lastRight_ = 0;
    view_.Tracker = display_;
    originLeft_ = display_.Left;
    originTop_ = display_.Top;
}

bool TCropModel::ProposeSourceMargins(int top, int bottom, int left, int right) {
    if (!view_.CropEnabled) return false;
    const int up = ScaledMargin(top, sourceHeight_, display_.Height);
    const int down = ScaledMargin(bottom, sourceHeight_, display_.Height);
    const int leftMargin = ScaledMargin(left, sourceWidth_, display_.Width);
    const int rightMargin = ScaledMargin(right, sourceWidth_, display_.Width);
    if (std::min({up, down, leftMargin, rightMargin}) < 0 || display_.Height - up - down < kMinTrackerSize ||
        display_.Width - leftMargin - rightMargin < kMinTrackerSize)
        return false;
    view_.Up = lastUp_ = up;
    view_.Down = lastDown_ = down;
    view_.Left = lastLeft_ = leftMargin;
    view_.Right = lastRight_ = rightMargin;
    PlaceTracker();
    originLeft_ = view_.Tracker.Left;
    originTop_ = view_.Tracker.Top;
    return true;
}

std::string TCropModel::SourceMarginsText() const {
    if (!view_.CropEnabled) return {};
    return "In source pixels: top " + std::to_string(ScaledEven(view_.Up, sourceHeight_, display_.Height)) +
           ", bottom " + std::to_string(ScaledEven(view_.Down, sourceHeight_, display_.Height)) + ", left " +
           std::to_string(ScaledEven(view_.Left, sourceWidth_, display_.Width)) + ", right " +
           std::to_string(ScaledEven(view_.Right, sourceWidth_, display_.Width));
}

void TCropModel::ApplyTo(TlvFilesRecord& job) const {
    if (!opened_) return;
    job.CropUpInput = ScaledMargin(view_.Up, display_.Height, reference_.Height);
    job.CropLeftInput = ScaledMargin(view_.Left, display_.Width, reference_.Width);
    job.CropDownInput = ScaledMargin(view_.Down, display_.Height, reference_.Height);
    job.CropRightInput = ScaledMargin(view_.Right, display_.Width, reference_.Width);
    job.CropTop = ScaledEven(view_.Up, sourceHeight_, display_.Height);
    job.CropBottom = ScaledEven(view_.Down, sourceHeight_, display_.Height);
    job.CropLeft = ScaledEven(view_.Left, sourceWidth_, display_.Width);
    job.CropRight = ScaledEven(view_.Right, sourceWidth_, display_.Width);
    if (view_.ZoomIndex == 0) job.ZoomMode = "full";
    if (view_.ZoomIndex == 1) job.ZoomMode = "lbox";
}

} // namespace orvel
