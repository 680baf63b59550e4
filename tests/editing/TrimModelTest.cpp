#include "editing/TrimModel.h"

#include "editing/TimeTexts.h"

#include <gtest/gtest.h>

#include <functional>

using namespace orvel;

namespace {

constexpr int64_t kSec = 1'000'000;
constexpr int kSliderWidth = 372;

TlvFilesRecord Job(int64_t trimStart, int64_t trimLength, const std::string& source = "/media/clip.avi") {
    TlvFilesRecord job;
    job.SourceFile = source;
    job.TrimStart = trimStart;
    job.TrimLength = trimLength;
    return job;
}

// The dialog's opening with the file reported and the job's stored trim loaded.
TTrimModel Opened(const TlvFilesRecord& job, int64_t duration) {
    TTrimModel model;
    model.FormShow();
    model.FileOpen(duration, kSliderWidth);
    model.AfterOpen(job);
    return model;
}

} // namespace

TEST(TrimModelTest, OpeningShowsTheStoredTrim) {
    const TTrimModel model = Opened(Job(10 * kSec, 20 * kSec), 60 * kSec);
    TTrimView want;
    want.Start = "00:00:10.000";
    want.End = "00:00:30.000";
    want.TrimLength = "00:00:20.000";
    want.SourceName = "/media/clip.avi";
    want.PTS = "0.0";
    want.Length = "Duration:    00:01:00.000";
    want.SliderMax = kSliderWidth;
    want.SelStart = kSliderWidth * 10 / 60;
    want.SelEnd = kSliderWidth * 30 / 60;
    want.ThumbShown = true;
    want.PlayEnabled = false;
    EXPECT_EQ(model.View(), want);

    // Without a stored length the end is the whole file.
    EXPECT_EQ(Opened(Job(5 * kSec, 0), 60 * kSec).View().End, "00:01:00.000");
    // A file of no duration keeps the selection at 0 and hides the thumb.
    const TTrimView empty = Opened(Job(0, 0), 0).View();
    EXPECT_EQ(empty.SelEnd, 0);
    EXPECT_FALSE(empty.ThumbShown);
}

TEST(TrimModelTest, OkStoresTheTrim) {
    struct Case {
        const char* name;
        TlvFilesRecord job;
        int64_t duration;
        std::function<void(TTrimModel&)> steps;
        int64_t trimStart, trimLength, columnSeconds;
    };
    const auto none = [](TTrimModel&) {};
    const Case cases[] = {
        {"unchanged 10 s + 20 s", Job(10 * kSec, 20 * kSec), 60 * kSec, none, 10 * kSec, 20 * kSec, 20},
        {"stored to the end is stored explicitly", Job(5 * kSec, 0), 60'500'000, none, 5 * kSec, 55'500'000,
         55},
        {"start and end taken from playback", Job(0, 0), 60 * kSec,
         [](TTrimModel& m) {
             m.TakeStart(1'250'000);
             m.TakeEnd(3'500'000);
         },
         1'250'000, 2'250'000, 2},
        {"below 1 ms", Job(0, 0), 60 * kSec,
         [](TTrimModel& m) {
             m.TakeStart(2 * kSec);
             m.TakeEnd(2 * kSec + 999);
         },
         2 * kSec, 0, 58},
        {"within 1 ms of the whole file", Job(0, 0), 60 * kSec, [](TTrimModel& m) { m.TakeStart(500); }, 500,
         0, 59},
        {"reset", Job(10 * kSec, 20 * kSec), 60'700'000, [](TTrimModel& m) { m.Reset(); }, 0, 0, 60},
        {"end before start keeps the start, whole length", Job(0, 0), 60 * kSec,
         [](TTrimModel& m) {
             m.TakeStart(30 * kSec);
             m.TakeEnd(20 * kSec);
         },
         30 * kSec, 0, 30},
        {"positions at or before 0 are ignored", Job(10 * kSec, 20 * kSec), 60 * kSec,
         [](TTrimModel& m) {
             m.TakeStart(0);
             m.TakeEnd(-1);
         },
         10 * kSec, 20 * kSec, 20},
        {"no duration", Job(0, 0), 0, none, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTrimModel model = Opened(c.job, c.duration);
        c.steps(model);
        TlvFilesRecord stored = c.job;
        stored.TrimStart = stored.TrimLength = -7; // both must be written
        model.ApplyTo(stored);
        EXPECT_EQ(stored.TrimStart, c.trimStart);
        EXPECT_EQ(stored.TrimLength, c.trimLength);
        EXPECT_EQ(TrimmedLengthSeconds(stored, c.duration), c.columnSeconds);
    }
}

TEST(TrimModelTest, AFileThatDidNotOpenLeavesTheJobsTrim) {
    // The dialog is kept between openings: values of the previous job must not reach this one.
    TTrimModel model = Opened(Job(10 * kSec, 20 * kSec), 60 * kSec);
    model.FormShow(); // next opening, the file fails to open
    TlvFilesRecord other = Job(3 * kSec, 4 * kSec, "/media/other.avi");
    model.ApplyTo(other);
    EXPECT_EQ(other.TrimStart, 3 * kSec);
    EXPECT_EQ(other.TrimLength, 4 * kSec);
}

TEST(TrimModelTest, TakingTimesMovesTheSelection) {
    TTrimModel model = Opened(Job(0, 0), 62 * kSec);
    model.Position(31 * kSec);
    EXPECT_EQ(model.View().PTS, "Time:    00:00:31.000");
    model.TakeStart(31 * kSec);
    EXPECT_EQ(model.View().Start, "00:00:31.000");
    EXPECT_EQ(model.View().SelStart, kSliderWidth / 2);
    // An end before the start shows the end but keeps the last length.
    const std::string lengthBefore = model.View().TrimLength;
    model.TakeEnd(10 * kSec);
    EXPECT_EQ(model.View().End, "00:00:10.000");
    EXPECT_EQ(model.View().TrimLength, lengthBefore);
    model.TakeEnd(62 * kSec);
    EXPECT_EQ(model.View().TrimLength, "00:00:31.000");
    EXPECT_EQ(model.View().SelEnd, kSliderWidth);
    model.Reset();
    EXPECT_EQ(model.View().Start, "00:00:00");
    EXPECT_EQ(model.View().End, "00:01:02.000");
    EXPECT_EQ(model.View().TrimLength, "00:01:02.000");
    EXPECT_EQ(model.View().SelEnd, kSliderWidth);
}

TEST(TrimModelTest, EndOfPlaybackAndPlayAgain) {
    TTrimModel model = Opened(Job(10 * kSec, 20 * kSec), 60 * kSec);
    model.SliderMoved(200);
    EXPECT_EQ(model.SeekTarget(186), 30 * kSec);
    EXPECT_TRUE(model.HookDraws());
    model.Ended();
    EXPECT_FALSE(model.HookDraws());
    const TTrimView& v = model.View();
    EXPECT_EQ(v.SliderPos, 0);
    EXPECT_EQ(std::make_pair(v.SelStart, v.SelEnd), std::make_pair(0, 0));
    EXPECT_FALSE(v.SliderEnabled);
    EXPECT_TRUE(v.PlayEnabled);
    EXPECT_FALSE(v.PauseEnabled);
    EXPECT_EQ(v.PTS, "00:00:00");
    EXPECT_EQ(v.Length, "00:00:00");
    model.Position(120000); // from the rewind to the start
    EXPECT_EQ(v.PTS, "00:00:00");
    model.Play();
    model.Position(120000);
    EXPECT_EQ(model.View().PTS, "Time:    00:00:00.120");
    EXPECT_TRUE(model.HookDraws());
    EXPECT_TRUE(model.View().SliderEnabled);
    EXPECT_FALSE(model.View().PlayEnabled);
    // The chosen range survives the end of playback.
    TlvFilesRecord stored = Job(0, 0);
    model.ApplyTo(stored);
    EXPECT_EQ(stored.TrimLength, 20 * kSec);
}

TEST(TrimModelTest, TypedTimesAreChecked) {
    struct TCase {
        bool isEnd;
        const char* text;
        bool taken;
        const char* messageStart; // the beginning of the message when refused
    };
    // The job's trim: 10 s to 30 s of a 60 s file.
    const TCase cases[] = {
        {false, "00:00:05", true, ""},
        {false, "0:29.5", true, ""},
        {true, "00:00:45.250", true, ""},
        {true, "60", true, ""},
        {false, "00:00:30", false, "The start must come before the end (00:00:30.000)"},
        {true, "00:00:10", false, "The end must come after the start (00:00:10.000)"},
        {true, "00:01:00.001", false, "The time lies beyond the end of the file (00:01:00.000)"},
        {false, "ten", false, "Type a time as"},
    };
    for (const TCase& c : cases) {
        TTrimModel model = Opened(Job(10 * kSec, 20 * kSec), 60 * kSec);
        const std::string message = c.isEnd ? model.TypeEnd(c.text) : model.TypeStart(c.text);
        SCOPED_TRACE(c.text);
        if (c.taken) {
            EXPECT_EQ(message, "");
            TlvFilesRecord job = Job(10 * kSec, 20 * kSec);
            model.ApplyTo(job);
            const int64_t typed = *ParseMicroseconds(c.text);
            EXPECT_EQ(c.isEnd ? model.End() : model.Start(), typed);
            EXPECT_EQ(job.TrimStart + (job.TrimLength > 0 ? job.TrimLength : 60 * kSec - job.TrimStart),
                      c.isEnd ? typed : 30 * kSec);
            EXPECT_EQ(model.View().TrimLength, FormatMicroseconds(model.End() - model.Start()));
        } else {
            EXPECT_EQ(message.rfind(c.messageStart, 0), 0u) << message;
            EXPECT_EQ(model.Start(), 10 * kSec);
            EXPECT_EQ(model.End(), 30 * kSec);
        }
    }
    // Nothing opened: no time can be typed.
    TTrimModel closed;
    closed.FormShow();
    EXPECT_NE(closed.TypeStart("00:00:01"), "");
}
