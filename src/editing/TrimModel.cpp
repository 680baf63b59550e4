#include "editing/TrimModel.h"

#include "editing/PreviewSeek.h"
#include "editing/TimeTexts.h"

#include <algorithm>

namespace orvel {

namespace {
constexpr int64_t kOneMs = 1000;
const char* const kZeroTime = "00:00:00";
} // namespace

void TTrimModel::FormShow() {
    view_.SourceName.clear();
    view_.PTS.clear();
    view_.Length.clear();
    opened_ = false;
}

void TTrimModel::FileOpen(int64_t duration, int sliderWidth) {
    duration_ = std::max<int64_t>(duration, 0);
    start_ = end_ = 0;
    ended_ = false;
    view_.Start = view_.End = view_.TrimLength = kZeroTime;
    view_.Length = "Duration:    " + FormatMicroseconds(duration_);
    view_.PTS = "0.0";
    view_.SliderMax = sliderWidth;
    view_.SelStart = view_.SelEnd = 0;
    view_.ThumbShown = duration_ > 0;
    view_.SliderPos = 0;
    view_.SliderEnabled = true;
}

void TTrimModel::AfterOpen(const TlvFilesRecord& job) {
    opened_ = true;
    view_.SourceName = ShortenedSourceName(job.SourceFile, 50, 44);
    if (job.TrimStart >= 0) start_ = job.TrimStart;
    end_ = job.TrimLength > 0 ? job.TrimStart + job.TrimLength : duration_;
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
    ShowTimes();
}

void TTrimModel::ShowTimes() {
    view_.Start = FormatMicroseconds(start_);
    view_.End = FormatMicroseconds(end_);
    view_.TrimLength = FormatMicroseconds(end_ - start_);
    view_.SelStart = SliderAt(start_);
    view_.SelEnd = SliderAt(end_);
}

int TTrimModel::SliderAt(int64_t time) const {
    if (duration_ <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(view_.SliderMax) * time / duration_);
}

// After the end the labels stay at zero: the rewind to the start reports its position too.
void TTrimModel::Position(int64_t position) {
    if (ended_) return;
    view_.PTS = "Time:    " + FormatMicroseconds(position);
}

// The selection shows the chosen times, whatever the slider's thumb points at: the thumb does not
// follow playback, so it is seldom where the position was taken.
void TTrimModel::TakeStart(int64_t position) {
    if (position <= 0) return;
    start_ = position;
    view_.Start = FormatMicroseconds(start_);
    view_.SelStart = SliderAt(start_);
}

void TTrimModel::TakeEnd(int64_t position) {
    if (position <= 0) return;
    end_ = position;
    view_.End = FormatMicroseconds(end_);
    if (start_ < end_) view_.TrimLength = FormatMicroseconds(end_ - start_);
    view_.SelEnd = SliderAt(end_);
}

std::optional<std::string> TTrimModel::TypedTimeProblem(const std::optional<int64_t>& time) const {
    if (!opened_) return "No file is open: a time cannot be typed.";
    if (!time) return "Type a time as hours, minutes and seconds, for example 00:01:30.500.";
    if (*time > duration_)
        return "The time lies beyond the end of the file (" + FormatMicroseconds(duration_) + ").";
    return std::nullopt;
}

std::string TTrimModel::TypeStart(const std::string& text) {
    const std::optional<int64_t> time = ParseMicroseconds(text);
    if (auto problem = TypedTimeProblem(time)) return *problem;
    if (*time >= end_) return "The start must come before the end (" + FormatMicroseconds(end_) + ").";
    start_ = *time;
    ShowTimes();
    return {};
}

std::string TTrimModel::TypeEnd(const std::string& text) {
    const std::optional<int64_t> time = ParseMicroseconds(text);
    if (auto problem = TypedTimeProblem(time)) return *problem;
    if (*time <= start_) return "The end must come after the start (" + FormatMicroseconds(start_) + ").";
    end_ = *time;
    ShowTimes();
    return {};
}

void TTrimModel::Reset() {
    start_ = 0;
    end_ = duration_;
    view_.Start = kZeroTime;
    view_.End = view_.TrimLength = FormatMicroseconds(duration_);
    view_.SelStart = 0;
    view_.SelEnd = view_.SliderMax;
}

void TTrimModel::Play() {
    ended_ = false;
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
    view_.SliderEnabled = true;
}

void TTrimModel::Pause() {
    view_.PauseEnabled = false;
    view_.PlayEnabled = true;
}

void TTrimModel::Ended() {
    ended_ = true;
    view_.SliderPos = 0;
    view_.PlayEnabled = true;
    view_.PauseEnabled = false;
    view_.SelStart = view_.SelEnd = 0;
    view_.SliderEnabled = false;
    view_.PTS = view_.Length = kZeroTime;
}

int64_t TTrimModel::SeekTarget(int sliderPosition) const {
    return SliderSeekPosition(sliderPosition, view_.SliderMax, duration_);
}

void TTrimModel::ApplyTo(TlvFilesRecord& job) const {
    if (!opened_) return;
    int64_t length = duration_;
    if (start_ >= 0 && end_ > 0 && start_ < end_ && end_ <= duration_) length = end_ - start_;
    if (length <= 0) {
        job.TrimStart = 0;
        job.TrimLength = 0;
        return;
    }
    job.TrimStart = start_ > 0 ? start_ : 0;
    const bool wholeFile = length < kOneMs || duration_ - length < kOneMs || length == duration_;
    job.TrimLength = wholeFile ? 0 : length;
}

int64_t TrimmedLengthSeconds(const TlvFilesRecord& job, int64_t durationUs) {
    if (job.TrimLength > 0) return job.TrimLength / 1000000;
    return std::max<int64_t>(durationUs - std::max<int64_t>(job.TrimStart, 0), 0) / 1000000;
}

} // namespace orvel
