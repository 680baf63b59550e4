#pragma once
// The trim dialog's state: start and end picked from the playing position, the slider's
// selection, and the rules by which Ok stores them in the job.
#include "batch/lvFilesRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvel {

struct TTrimView {
    std::string Start, End, TrimLength; // the three read-only time fields
    std::string SourceName, PTS, Length;
    int SliderMax = 0, SelStart = 0, SelEnd = 0, SliderPos = 0;
    bool ThumbShown = false;
    bool SliderEnabled = true;
    bool PlayEnabled = true, PauseEnabled = true;
    bool operator==(const TTrimView&) const = default;
};

class TTrimModel {
public:
    // Each opening: the labels cleared; nothing is known of a file until one opens.
    void FormShow();
    // The player opened the file; sliderWidth is the slider's width in pixels.
    void FileOpen(int64_t duration, int sliderWidth);
    // After a successful open: the job's name and its stored trim.
    void AfterOpen(const TlvFilesRecord& job);
    void Position(int64_t position);
    // The start or end "&Ok": the playing position; a position <= 0 changes nothing.
    void TakeStart(int64_t position);
    void TakeEnd(int64_t position);
    // A start or end typed into its field. The empty answer means taken; otherwise the reason it
    // was not, for the user: the end must come after the start and both lie inside the file.
    std::string TypeStart(const std::string& text);
    std::string TypeEnd(const std::string& text);
    void Reset();
    void Play();
    void Pause();
    // The file played to its end: back to the start, paused, drawing nothing until Play.
    void Ended();
    // Where a release of the mouse over the slider seeks to.
    int64_t SeekTarget(int sliderPosition) const;
    void SliderMoved(int sliderPosition) { view_.SliderPos = sliderPosition; }

    // Ok. When no file opened in this showing, the job's trim stays as it was.
    void ApplyTo(TlvFilesRecord& job) const;

    bool HookDraws() const { return !ended_; }
    const TTrimView& View() const { return view_; }
    int64_t Start() const { return start_; }
    int64_t End() const { return end_; }
    int64_t Duration() const { return duration_; }

private:
    int SliderAt(int64_t time) const;
    // Why a typed time cannot be taken, or nothing when it can.
    std::optional<std::string> TypedTimeProblem(const std::optional<int64_t>& time) const;
    void ShowTimes();

    int64_t start_ = 0, end_ = 0, duration_ = 0;
    bool ended_ = false;
    bool opened_ = false; // a file opened in this showing
    TTrimView view_;
};

// The "Trimmed Length" column: whole seconds the conversion of the job takes from its source.
int64_t TrimmedLengthSeconds(const TlvFilesRecord& job, int64_t durationUs);

} // namespace orvel
