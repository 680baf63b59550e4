#include "editing/CropModel.h"

#include <gtest/gtest.h>

#include <array>

using namespace orvel;

namespace {

// The preview image as the dialog places it.
constexpr TCropRect kImage{236, 32, 370, 253};

TlvFilesRecord Job(int up = 0, int down = 0, int left = 0, int right = 0) {
    TlvFilesRecord job;
    job.SourceFile = "/media/clip.avi";
    job.CropUpInput = up;
    job.CropDownInput = down;
    job.CropLeftInput = left;
    job.CropRightInput = right;
    return job;
}

TCropModel Opened(const TlvFilesRecord& job, int w = 720, int h = 576) {
    TCropModel model;
    model.FormShow(job);
    model.FileOpen(123'456'789, 370);
    model.AfterOpen(w, h, kImage, 123'456'789);
    return model;
}

TlvFilesRecord Stored(const TCropModel& model, TlvFilesRecord job = Job()) {
    model.ApplyTo(job);
    return job;
}

} // namespace

TEST(CropModelTest, FitsThePictureIntoThePreview) {
    EXPECT_EQ(FitPicture(720, 576, 370, 253), (TCropRect{27, 0, 316, 253}));  // full height
    EXPECT_EQ(FitPicture(1280, 720, 370, 253), (TCropRect{0, 22, 370, 209})); // full width: m = round(22.44)
    EXPECT_EQ(FitPicture(370, 253, 370, 253), (TCropRect{0, 0, 370, 253}));
    const TCropModel model = Opened(Job());
    EXPECT_EQ(model.Display(), (TCropRect{236 + 28, 32 + 1, 314, 251}));
    EXPECT_EQ(model.View().Tracker, model.Display());
    EXPECT_TRUE(model.View().CropEnabled);
    EXPECT_EQ(model.View().Length, "123.456 Second");
}

TEST(CropModelTest, OkScalesTheMarginsToEvenSourcePixels) {
    TCropModel model = Opened(Job());
    model.MarginChanged(TCropMargin::Up, 10);
    model.MarginChanged(TCropMargin::Left, 7);
    model.MarginChanged(TCropMargin::Right, 1);
    const TlvFilesRecord job = Stored(model);
    EXPECT_EQ(job.CropUpInput, 10);
    EXPECT_EQ(job.CropTop, 22); // 10 * 576 / 251 = 22.9 -> 23 -> 22
    EXPECT_EQ(job.CropLeftInput, 7);
    EXPECT_EQ(job.CropLeft, 16); // 7 * 720 / 314 = 16.05 -> 16
    EXPECT_EQ(job.CropRight, 2); // 2.29 -> 2
    EXPECT_EQ(job.CropBottom, 0);
    EXPECT_EQ(model.View().Tracker, (TCropRect{264 + 7, 33 + 10, 314 - 8, 251 - 10}));

    // Rounded before the evening, not cut: 3 * 785 / 314 = 7.5 -> 8.
    TCropModel wide = Opened(Job(), 785, 628);
    ASSERT_EQ(wide.Display().Width, 314);
    wide.MarginChanged(TCropMargin::Left, 3);
    EXPECT_EQ(Stored(wide).CropLeft, 8);
}

TEST(CropModelTest, DraggingIsHeldInsideTheDisplay) {
    TCropModel model = Opened(Job());
    const TCropRect d = model.Display();
    model.MarginChanged(TCropMargin::Left, 20);
    model.MarginChanged(TCropMargin::Right, 20);
    model.TrackerPressed();
    const TCropRect start = model.View().Tracker;
    // Moved 40 pixels right: past the right edge, so the left edge goes back to where the drag
    // started and the rectangle reaches the display's right edge.
    model.TrackerMoved({start.Left + 40, start.Top, start.Width, start.Height});
    EXPECT_EQ(model.View().Tracker.Left, start.Left);
    EXPECT_EQ(model.View().Tracker.Right(), d.Right());
    EXPECT_EQ(model.View().Right, 0);
    EXPECT_EQ(model.View().Left, 20);

    // Moved above the top: held at the top.
    model.TrackerPressed();
    model.TrackerMoved({d.Left + 20, d.Top - 15, 100, 100});
    EXPECT_EQ(model.View().Tracker.Top, d.Top);
    EXPECT_EQ(model.View().Up, 0);
    EXPECT_EQ(model.View().Down, d.Height - 100);
    // Moved within: the margins follow the bounds.
    model.TrackerMoved({d.Left + 30, d.Top + 12, 100, 100});
    EXPECT_EQ((std::array{model.View().Up, model.View().Down, model.View().Left, model.View().Right}),
              (std::array{12, d.Height - 112, 30, d.Width - 130}));
}

TEST(CropModelTest, MarginStepsStopAtTheMinimumSize) {
    TCropModel model = Opened(Job());
    const int h = model.Display().Height;
    model.MarginChanged(TCropMargin::Up, h - 10); // the rectangle is now 10 high
    ASSERT_EQ(model.View().Tracker.Height, 10);
    model.MarginChanged(TCropMargin::Up, h - 9);
    EXPECT_EQ(model.View().Up, h - 10);
    model.MarginChanged(TCropMargin::Down, 1);
    EXPECT_EQ(model.View().Down, 0);
    EXPECT_EQ(model.View().Tracker.Height, 10);
    // Stepping back down is allowed; a negative value becomes 0.
    model.MarginChanged(TCropMargin::Up, h - 11);
    EXPECT_EQ(model.View().Tracker.Height, 11);
    model.MarginChanged(TCropMargin::Left, -1);
    EXPECT_EQ(model.View().Left, 0);

    // Page steps of ten, on either axis, stop at the smallest size too.
    const int w = model.Display().Width;
    model.MarginChanged(TCropMargin::Right, w - 15);
    ASSERT_EQ(model.View().Tracker.Width, 15);
    model.MarginChanged(TCropMargin::Left, 10);
    EXPECT_EQ(model.View().Left, 5);
    EXPECT_EQ(model.View().Tracker.Width, 10);
    model.MarginChanged(TCropMargin::Up, h - 11 + 10);
    EXPECT_EQ(model.View().Up, h - 10);
    EXPECT_EQ(model.View().Tracker.Height, 10);
}

TEST(CropModelTest, ResetReopenAndFilesWithoutPicture) {
    TCropModel model = Opened(Job());
    model.MarginChanged(TCropMargin::Up, 10);
    model.MarginChanged(TCropMargin::Right, 30);
    model.Reset();
    TlvFilesRecord job = Job(5, 6, 7, 8);
    job.CropTop = job.CropBottom = job.CropLeft = job.CropRight = 4;
    job = Stored(model, job);
    EXPECT_EQ((std::array{job.CropTop, job.CropBottom, job.CropLeft, job.CropRight, job.CropUpInput,
                          job.CropDownInput, job.CropLeftInput, job.CropRightInput}),
              (std::array{0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(model.View().Tracker, model.Display());

    // Reopening restores the rectangle from the stored preview values.
    const TCropModel again = Opened(Job(10, 20, 30, 40));
    const TCropRect d = again.Display();
    EXPECT_EQ(again.View().Tracker, (TCropRect{d.Left + 30, d.Top + 10, d.Width - 70, d.Height - 30}));

    // A file without video: cropping disabled, Ok stores zeros.
    TCropModel audio;
    audio.FormShow(Job(10, 20, 30, 40));
    audio.FileOpen(1'000'000, 370);
    audio.AfterOpen(0, 0, kImage, 1'000'000);
    EXPECT_FALSE(audio.View().CropEnabled);
    TlvFilesRecord audioJob = Job(10, 20, 30, 40);
    audioJob.CropTop = 8;
    audioJob = Stored(audio, audioJob);
    EXPECT_EQ((std::array{audioJob.CropTop, audioJob.CropUpInput, audioJob.CropRightInput}),
              (std::array{0, 0, 0}));

    // A file that did not open: the job's crop stays.
    TCropModel failed;
    failed.FormShow(Job(10, 20, 30, 40));
    failed.OpenFailed();
    TlvFilesRecord kept = Job(10, 20, 30, 40);
    kept.CropTop = 8;
    kept = Stored(failed, kept);
    EXPECT_EQ((std::array{kept.CropTop, kept.CropUpInput}), (std::array{8, 10}));
    EXPECT_FALSE(failed.View().PlayEnabled);
}

TEST(CropModelTest, ZoomModeMirror) {
    const std::pair<const char*, const char*> cases[] = {{"full", "full"}, {"lbox", "lbox"}, {"pan", "pan"},
                                                         {"orig", "orig"}, {"cent", "cent"}, {"odd", "full"}};
    for (const auto& [before, after] : cases) {
        TlvFilesRecord job = Job();
        job.ZoomMode = before;
        EXPECT_EQ(Stored(Opened(job), job).ZoomMode, after) << before;
    }
}

TEST(CropModelTest, PlaybackFlagsGateTheHook) {
    TCropModel model;
    model.FormShow(Job());
    EXPECT_FALSE(model.HookDraws()); // nothing open yet
    model.FileOpen(10'000'000, 370);
    model.AfterOpen(720, 576, kImage, 10'000'000);
    EXPECT_TRUE(model.HookDraws());
    model.Position(2'500'000);
    EXPECT_EQ(model.View().PTS, "0:00:02"); // 2.5 rounds to even
    model.Pause();
    EXPECT_FALSE(model.HookDraws());
    EXPECT_EQ(model.Play(), TCropModel::TPlayAction::Resume);
    EXPECT_TRUE(model.HookDraws());
    model.State(psEnd);
    EXPECT_FALSE(model.HookDraws());
    EXPECT_EQ(model.Play(), TCropModel::TPlayAction::Reopen);
    model.Reopened(true);
    EXPECT_TRUE(model.HookDraws());
    model.State(psEnd);
    model.Play();
    model.Reopened(false);
    EXPECT_FALSE(model.View().PlayEnabled);
    EXPECT_FALSE(model.View().PauseEnabled);
}

TEST(CropModelTest, AResizedPreviewKeepsTheMarginsShareOfThePicture) {
    TCropModel model = Opened(Job(10, 0, 20, 0));
    const TlvFilesRecord before = Stored(model);
    // The dialog grown by 200 x 100: the 720 x 576 picture fills 442 x 353 of the image.
    constexpr TCropRect kLarger{236, 32, 570, 353};
    model.Relayout(kLarger);
    EXPECT_EQ(model.Display(), (TCropRect{236 + 64 + 1, 33, 440, 351}));
    EXPECT_EQ(model.View().Up, 14); // 10 of 251 rows is 14 of 351
    EXPECT_EQ(model.View().Left, 28);
    EXPECT_EQ(model.View().Tracker, (TCropRect{301 + 28, 33 + 14, 440 - 28, 351 - 14}));
    // Ok stores the same crop, and the preview pixels at the default size, so that the next
    // opening at any size shows the same rectangle.
    const TlvFilesRecord after = Stored(model);
    EXPECT_EQ(std::make_pair(after.CropUpInput, after.CropLeftInput), std::make_pair(10, 20));
    EXPECT_EQ(std::make_pair(after.CropTop, after.CropLeft), std::make_pair(before.CropTop, before.CropLeft));
    TCropModel reopened;
    reopened.FormShow(after);
    reopened.FileOpen(123'456'789, 570);
    reopened.AfterOpen(720, 576, kLarger, 123'456'789);
    EXPECT_EQ(reopened.View().Tracker, model.View().Tracker);
}
