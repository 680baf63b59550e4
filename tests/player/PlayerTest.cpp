// The player as its host sees it, played headless on the project's own clips.
#include "PlayerTestSupport.h"

#include "engine/foundation/FFmpegLoader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace orvel::testing {
namespace {

using fixtures::FixtureId;

class PlayerTest : public PlayerTestBase {
protected:
    // Waits until the picture on screen is from the clip's first second; its time goes to pts.
    bool ShowsTheFirstSecond(int64_t& pts, int timeoutMs) {
        return Until(
            [&] {
                player->GetCurrentFrame(pts);
                return pts >= 0 && pts < 1000000;
            },
            timeoutMs);
    }
};

TEST_F(PlayerTest, DefaultsAreThoseTheHostFormsRelyOn) {
    TFFPlayer p;
    EXPECT_EQ(p.AspectRatio(), 0.0f);
    EXPECT_EQ(p.AudioDriver(), adDefault);
    EXPECT_EQ(p.AudioVolume(), 128);
    EXPECT_FALSE(p.DisableAudio());
    EXPECT_FALSE(p.DisableVideo());
    EXPECT_FALSE(p.DisableDisplay());
    EXPECT_FALSE(p.Mute());
    EXPECT_EQ(p.FrameWidth(), 0);
    EXPECT_EQ(p.FrameHeight(), 0);
    EXPECT_FALSE(p.Hook());
    EXPECT_EQ(p.ScreenWidth(), 0);
    EXPECT_EQ(p.ScreenHeight(), 0);
    EXPECT_TRUE(p.TriggerEventInMainThread());
    EXPECT_EQ(p.VideoDriver(), vdDefault);
    EXPECT_EQ(TFFPlayer::Version(), "2.3");
    EXPECT_EQ(p.CurrentPosition(), -1);
    int64_t pts = 0;
    Bitmap24& frame = p.GetCurrentFrame(pts);
    EXPECT_TRUE(frame.Empty());
    EXPECT_EQ(pts, -1);
}

TEST_F(PlayerTest, OpenWithoutTheLibrariesFailsWithItsText) {
    FFLoader().Unload(kPlayerLibraries);
    EXPECT_FALSE(player->LibrariesLoaded());
    EXPECT_FALSE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    EXPECT_EQ(player->LastErrorMessage(), "libav or libsdl not loaded.");
    EXPECT_TRUE(player->LoadLibraries(""));
    EXPECT_TRUE(player->LibrariesLoaded());
}

TEST_F(PlayerTest, FailedOpenStoresTheReasonAndRaisesNoState) {
    fixtures::ClipRecipe subtitlesOnly;
    subtitlesOnly.container = "matroska";
    subtitlesOnly.videoCodec.clear();
    subtitlesOnly.audioCodec.clear();
    subtitlesOnly.subtitleCodec = "subrip";
    const std::string noStream = fixtures::Generate(subtitlesOnly);
    const std::string missing = fixtures::Dir() + "/no-such-file.mp4";
    const std::string notMedia = fixtures::Path(FixtureId::NonMedia);
    const struct {
        std::string file;
        std::string error;
    } cases[] = {
        {noStream, noStream + ": could not open codecs, no stream to play."},
        {missing, missing + ": No such file or directory"},
        {notMedia, notMedia + ": Invalid data found when processing input"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_FALSE(player->Open(c.file, &surface));
        EXPECT_EQ(player->LastErrorMessage(), c.error);
        EXPECT_FALSE(player->Playing());
        EXPECT_EQ(player->FileName(), "");
    }
    Serve(300);
    EXPECT_TRUE(log.States().empty());
}

// A thread the system refuses is reported, never the end of the process. Without the play,
// event, reading or refresh thread nothing plays: the open fails with the stored reason. A
// refused decoding thread leaves its stream out and the rest plays.
struct RefusedThreadCase {
    const char* name;
    PlayerThread kind;
    bool opens;
};

class RefusedThread : public PlayerTestBase, public ::testing::WithParamInterface<RefusedThreadCase> {};

TEST_P(RefusedThread, IsReportedAndThePlayerStaysUsable) {
    const RefusedThreadCase& c = GetParam();
    player->SetThreadStarter([refused = c.kind](PlayerThread kind, std::function<void()> body) {
        if (kind == refused)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    });
    ASSERT_EQ(player->Open(fixtures::Path(FixtureId::MkvMulti), &surface), c.opens);
    EXPECT_TRUE(log.Logged("SDL_CreateThread() failed."));
    int64_t pts = 0;
    if (!c.opens) {
        EXPECT_EQ(player->LastErrorMessage(), "SDL_CreateThread() failed.");
        EXPECT_FALSE(player->Playing());
        Serve(300);
        EXPECT_TRUE(log.States().empty());
    } else if (c.kind == PlayerThread::Video) {
        // Sound only: no picture to take, and the position runs on the sound.
        EXPECT_TRUE(player->GetCurrentFrame(pts).Empty());
        EXPECT_TRUE(Until([&] { return log.LastPosition() > 0; }));
    } else {
        EXPECT_TRUE(Until([&] { return surface.Shows() > 0; }));
        EXPECT_EQ(player->GetCurrentFrame(pts).Width(), 320);
    }
    player->Stop(true);
    player->SetThreadStarter(StartSystemThread);
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface)) << player->LastErrorMessage();
    EXPECT_TRUE(Until([&] { return surface.Shows() > 0; }));
}

const RefusedThreadCase kRefusedThreads[] = {
    {"Play", PlayerThread::Play, false},  {"Event", PlayerThread::Event, false},
    {"Read", PlayerThread::Read, false},  {"Refresh", PlayerThread::Refresh, false},
    {"Video", PlayerThread::Video, true}, {"Subtitle", PlayerThread::Subtitle, true},
};

INSTANTIATE_TEST_SUITE_P(Player, RefusedThread, ::testing::ValuesIn(kRefusedThreads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, OpenReportsTheFileAndTakesThePanelSize) {
    int64_t duration = 0;
    int width = 0, height = 0;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t d, int w, int h, int& sw, int& sh) {
        duration = d;
        width = w;
        height = h;
        EXPECT_EQ(sw, 0);
        EXPECT_EQ(sh, 0);
    });
    const std::string file = fixtures::Path(FixtureId::Mp4);
    ASSERT_TRUE(player->Open(file, &surface));
    EXPECT_NEAR(static_cast<double>(duration), 2000000.0, 100000.0);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(player->ScreenWidth(), 400);
    EXPECT_EQ(player->ScreenHeight(), 300);
    EXPECT_EQ(player->FileName(), file);
    EXPECT_EQ(player->Probe().Input() != nullptr, true);
    EXPECT_EQ(player->Probe().VideoStreamCount(), 1);
    ASSERT_TRUE(Until([&] { return surface.Shows() > 3; }));
    // The display area is the panel's size; a 4:3 picture fills its height, centred.
    EXPECT_EQ(surface.DisplayArea(), (DisplayRect{0, 0, 400, 300}));
    EXPECT_EQ(surface.LastRect(), (DisplayRect{0, 0, 400, 300}));
    player->Stop(true);
    EXPECT_EQ(player->Probe().Input(), nullptr);
    ASSERT_TRUE(Until([&] { return log.Count(psStop) == 1; }));
    EXPECT_EQ(log.States().front(), psPlay);
}

TEST_F(PlayerTest, HandlerMayChooseTheScreenSize) {
    player->SetOnFileOpen([](IMediaPlayer*, int64_t, int, int, int& sw, int& sh) {
        sw = 200;
        sh = 100;
    });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    EXPECT_EQ(surface.DisplayArea(), (DisplayRect{0, 0, 200, 100}));
    // 4:3 in a 2:1 area: full height, centred.
    EXPECT_EQ(surface.LastRect(), (DisplayRect{34, 0, 132, 100}));
}

TEST_F(PlayerTest, AspectRatioChangeRedrawsThePausedPicture) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1 && surface.Shows() > 0; }));
    const struct {
        float aspect;
        DisplayRect rect;
    } cases[] = {{1.0f, {50, 0, 300, 300}}, {-1.0f, {0, 0, 400, 300}}, {2.0f, {0, 50, 400, 200}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aspect);
        player->SetAspectRatio(c.aspect);
        EXPECT_TRUE(Until([&] { return surface.LastRect() == c.rect; }, 2000));
    }
}

TEST_F(PlayerTest, StillImageSequenceHasNoDurationAndNoPositions) {
    fixtures::ClipRecipe stills;
    stills.container = "image2";
    stills.videoCodec = "png";
    stills.audioCodec.clear();
    stills.seconds = 0.4;
    const std::string dir = fixtures::Dir() + "/stills";
    std::filesystem::create_directories(dir);
    std::string error;
    ASSERT_TRUE(fixtures::WriteClip(stills, dir + "/img%03d.png", &error)) << error;
    int64_t duration = -2;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t d, int, int, int&, int&) { duration = d; });
    ASSERT_TRUE(player->Open(dir + "/img%03d.png", &surface)) << player->LastErrorMessage();
    EXPECT_EQ(duration, 0);
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    Serve(300);
    EXPECT_EQ(log.LastPosition(), -1) << "no position is reported";
}

TEST_F(PlayerTest, OpenWhilePlayingStopsTheFirstFile) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    ASSERT_TRUE(Until([&] { return log.Count(psPlay) == 1; }));
    const std::string second = fixtures::Path(FixtureId::Avi);
    ASSERT_TRUE(player->Open(second, &surface));
    EXPECT_EQ(player->FileName(), second);
    ASSERT_TRUE(Until([&] { return log.Count(psPlay) == 2; }));
    const auto states = log.States();
    const auto stop = std::find(states.begin(), states.end(), psStop);
    ASSERT_NE(stop, states.end());
    EXPECT_EQ(std::count(states.begin(), stop, psPlay), 1) << "the first file ended before the second began";
}

TEST_F(PlayerTest, PauseThenResumeBeforeDeliveryArriveAsTheSecondOnly) {
    // The host is still busy with psPlay while Pause and Resume happen.
    player->SetTriggerEventInMainThread(false);
    player->SetOnPosition(nullptr); // no position event may split the two states
    ManualResetSignal delivering(false), release(false);
    player->SetOnState([&](IMediaPlayer*, TPlayState s) {
        if (s == psPlay) {
            delivering.Set();
            release.WaitFor(5000);
        }
        std::lock_guard lock(log.mutex);
        log.states.push_back(s);
    });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    ASSERT_TRUE(delivering.WaitFor(5000));
    player->Pause();
    EXPECT_TRUE(player->Paused());
    player->Resume();
    EXPECT_FALSE(player->Paused());
    release.Set();
    Serve(300);
    EXPECT_EQ(log.States(), (std::vector<TPlayState>{psPlay, psResume}));
}

TEST_F(PlayerTest, AudioOnlyFileHasNoFrameAndRepeatsTheEndUntilASeek) {
    int width = 0, height = 0;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t, int w, int h, int&, int&) {
        width = w;
        height = h;
    });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp3), &surface));
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
    int64_t pts = 0;
    EXPECT_TRUE(player->GetCurrentFrame(pts).Empty());
    EXPECT_EQ(pts, -1);
    // The waveform is drawn over the whole display area.
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    EXPECT_EQ(surface.LastRect(), (DisplayRect{0, 0, 400, 300}));
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) >= 3; }, 8000)) << "the end is raised again and again";
    player->Seek(0, true, 0);
    const size_t ends = log.Count(psEnd);
    Serve(400);
    EXPECT_LE(log.Count(psEnd), ends + 1) << "a seek clears the end";
    EXPECT_LT(player->CurrentPosition(), 1500000);
}

TEST_F(PlayerTest, SeekBeyondTheDurationGoesToTheDuration) {
    int64_t duration = 0;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t d, int, int, int&, int&) { duration = d; });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    player->Seek(0, true, duration * 10);
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) == 1; }, 3000));
    EXPECT_TRUE(Until([&] { return log.LastPosition() == duration; }, 1000))
        << "the end position is always reported";
}

TEST_F(PlayerTest, PlayingToTheEndThenSeekingBackPlaysAgain) {
    int64_t duration = 0;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t d, int, int, int&, int&) { duration = d; });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) == 1; }, 8000));
    EXPECT_TRUE(Until([&] { return log.LastPosition() == duration; }, 1000));
    {
        std::lock_guard lock(log.mutex);
        EXPECT_TRUE(std::is_sorted(log.positions.begin(), log.positions.end()));
    }
    Serve(200);
    EXPECT_EQ(log.Count(psEnd), 1u) << "with video the end is raised once";
    size_t before;
    {
        std::lock_guard lock(log.mutex);
        before = log.positions.size();
    }
    player->Seek(sfAny, true, 0);
    // Any position reported since the seek counts, not only the newest when the check looks: a
    // slow check may first look after the clip has played past its first second again. As long
    // as the end above may take: a sanitizer build beside other tests plays slowly.
    ASSERT_TRUE(Until(
        [&] {
            std::lock_guard lock(log.mutex);
            return std::any_of(log.positions.begin() +
                                   static_cast<std::ptrdiff_t>(std::min(before, log.positions.size())),
                               log.positions.end(), [](int64_t p) { return p >= 0 && p < 1000000; });
        },
        8000));
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) == 2; }, 8000));
}

// The first picture of the clip is stamped 0: after a seek to the start it must not take the
// time left over from the end, which a paused player keeps showing and a snapshot is named by.
TEST_F(PlayerTest, SeekingToTheStartWhilePausedAtTheEndShowsTimeZero) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) == 1; }, 8000));
    player->Pause();
    player->Seek(sfAny, true, 0);
    int64_t pts = -1;
    EXPECT_TRUE(ShowsTheFirstSecond(pts, 3000)) << "the picture on screen is named " << pts;
    EXPECT_LT(player->CurrentPosition(), 1000000);
}

// What the preview windows do at the end: rewind without waiting, then pause at once. A short
// clip is read to its end again before the rewound first picture is decoded; the pause must
// still wait for that picture, or the screen keeps the last one while the time says the start.
TEST_F(PlayerTest, RewindingAtTheEndAndPausingAtOnceShowsTheStart) {
    int64_t duration = 0;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t d, int, int, int&, int&) { duration = d; });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    for (size_t round = 1; round <= 6; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        ASSERT_TRUE(Until([&] { return log.Count(psEnd) == round; }, 8000));
        player->Seek(sfAny, false, 0);
        player->Pause();
        int64_t pts = -1;
        EXPECT_TRUE(ShowsTheFirstSecond(pts, 2000)) << "the picture on screen is named " << pts;
        // Close to the end again for the next round.
        player->Seek(sfAny, true, duration - 200000);
        player->Resume();
    }
}

// Keyframes one second apart: paused mid-way between them, an exact seek one picture back shows
// that picture, where a plain seek shows the keyframe at the start of the second.
TEST_F(PlayerTest, ExactSeekShowsThePictureAtTheTargetNotTheKeyframeBefore) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1; }, 5000));
    constexpr int64_t kPicture = 40000; // 25 pictures a second
    const struct {
        TSeekFlags flags;
        int64_t target, shown;
    } cases[] = {
        {sfExact, 15 * kPicture, 15 * kPicture},
        {sfExact, 14 * kPicture, 14 * kPicture},         // one step back
        {sfExact, 13 * kPicture + 20000, 13 * kPicture}, // inside a picture's time: that picture
        {0, 14 * kPicture, 0},                           // plain: the keyframe
        {sfExact, 37 * kPicture, 37 * kPicture},         // in the second group of pictures
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "flags " << c.flags << " target " << c.target);
        player->Seek(c.flags, true, c.target);
        int64_t pts = -1;
        EXPECT_TRUE(Until(
            [&] {
                player->GetCurrentFrame(pts);
                return std::llabs(pts - c.shown) < kPicture / 2;
            },
            3000))
            << "the picture on screen is named " << pts;
        EXPECT_TRUE(player->Paused());
    }
    // The picture itself is the one its time names: the moving box stands where that picture
    // draws it.
    int64_t pts = -1;
    Bitmap24& frame = player->GetCurrentFrame(pts);
    const auto box = fixtures::BoxRect(37, 320, 240);
    EXPECT_TRUE(
        Near(frame.Row(box.top + box.height / 2) + (box.left + box.width / 2) * 3,
             fixtures::ExpectedBgr(37, box.left + box.width / 2, box.top + box.height / 2, 320, 240)));
}

TEST_F(PlayerTest, CurrentFrameIsThePictureOnScreenAfterAPause) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    ASSERT_TRUE(Until([&] { return player->CurrentPosition() > 500000; }));
    player->Pause();
    Serve(300); // pictures already due are shown, then nothing moves
    const int shows = surface.Shows();
    Serve(200);
    EXPECT_EQ(surface.Shows(), shows);
    int64_t pts = -1;
    Bitmap24& frame = player->GetCurrentFrame(pts);
    ASSERT_EQ(frame.Width(), 320);
    ASSERT_EQ(frame.Height(), 240);
    ASSERT_GE(pts, 500000);
    const int64_t index = FrameAt(pts);
    const auto box = fixtures::BoxRect(index, 320, 240);
    const int points[][2] = {
        {box.left + box.width / 2, box.top + box.height / 2}, {20, 20}, {300, 20}, {180, 220}};
    for (const auto& p : points) {
        SCOPED_TRACE(::testing::Message() << "pixel " << p[0] << "," << p[1] << " frame " << index);
        EXPECT_TRUE(Near(frame.Row(p[1]) + p[0] * 3, fixtures::ExpectedBgr(index, p[0], p[1], 320, 240)));
    }
    // The surface shows the same picture: the box's middle is grey there too, and the box of
    // the frame before is not where the surface's box is. A loaded machine may draw the picture
    // just taken a moment after it became the one on screen.
    const auto before = fixtures::BoxRect(index - 2, 320, 240);
    EXPECT_TRUE(Until(
        [&] {
            return std::abs(surface.Luma(box.left + box.width / 2, box.top + box.height / 2) - 126) <= 20 &&
                   std::abs(surface.Luma(before.left + 2, before.top + 2) - 126) > 20;
        },
        2000));
}

// Two sound tracks: AC3 at a higher bit rate first, then AAC, whose shorter frames make more of
// them in any stretch of the file. The libraries' own choice prefers the higher bit rate.
TEST_F(PlayerTest, PlaysTheSoundTrackWithTheMostAnalysedFrames) {
    fixtures::ClipRecipe recipe;
    recipe.container = "matroska";
    recipe.audioCodec = "ac3";
    recipe.audioStreams = 2;
    recipe.secondAudioCodec = "aac";
    recipe.seconds = 1.0;
    const std::string file = fixtures::Generate(recipe);
    ASSERT_TRUE(player->Open(file, &surface, true));
    const auto stats = player->GetStatistics();
    EXPECT_EQ(stats.VideoStream, 0);
    EXPECT_EQ(stats.AudioStream, 2);
    EXPECT_EQ(stats.SubtitleStream, -1);
    player->Stop(true);
}

TEST_F(PlayerTest, OddPictureSizesReachTheHookAndTheSnapshotWhole) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "ffv1";
    recipe.audioCodec = "";
    recipe.width = 351;
    recipe.height = 241;
    recipe.seconds = 0.5;
    std::mutex mutex;
    int hookWidth = 0, hookHeight = 0;
    player->SetHook(true);
    player->SetOnHook([&](IMediaPlayer*, Bitmap24& bitmap, int64_t) {
        std::lock_guard lock(mutex);
        hookWidth = bitmap.Width();
        hookHeight = bitmap.Height();
    });
    ASSERT_TRUE(player->Open(fixtures::Generate(recipe), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1; }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(hookWidth, 351);
        EXPECT_EQ(hookHeight, 241);
    }
    int64_t pts = -1;
    Bitmap24& frame = player->GetCurrentFrame(pts);
    ASSERT_EQ(frame.Width(), 351);
    ASSERT_EQ(frame.Height(), 241);
    // The last row and column hold the picture, not the blank fill (the black bar of the last
    // column is 16, the fill 0: hence the tight tolerance there).
    const int64_t index = FrameAt(pts);
    const struct { int x, y, tolerance; } points[] = {{20, 240, 40}, {100, 240, 40}, {350, 60, 6}};
    for (const auto& p : points)
        EXPECT_TRUE(
            Near(frame.Row(p.y) + p.x * 3, fixtures::ExpectedBgr(index, p.x, p.y, 351, 241), p.tolerance))
            << p.x << "," << p.y;
    // The pause is reported before the first picture need have reached the screen.
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    std::lock_guard lock(surface.mutex_);
    EXPECT_EQ(surface.pictureWidth, 351);
}

TEST_F(PlayerTest, OpenedPausedShowsTheFirstPictureAndReportsThePause) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1; }));
    Serve(300);
    EXPECT_TRUE(player->Paused());
    EXPECT_LT(player->CurrentPosition(), 200000);
    int64_t pts = -1;
    player->GetCurrentFrame(pts);
    EXPECT_LT(pts, 100000);
    player->Resume();
    ASSERT_TRUE(Until([&] { return player->CurrentPosition() > 500000; }));
}

TEST_F(PlayerTest, HookDrawsOnEveryPictureAndItsErrorsAreLoggedOnly) {
    std::atomic<int> calls{0};
    player->SetHook(true);
    player->SetOnHook([&](IMediaPlayer*, Bitmap24& bitmap, int64_t) {
        ++calls;
        // A white square in the top-left corner, where the picture is white anyway, and a black one
        // at the bottom right, where the bar is black: check the middle instead.
        for (int y = 100; y < 140; ++y)
            std::fill_n(bitmap.Row(y), 3 * 20, 0);
    });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    ASSERT_TRUE(Until([&] { return calls > 10 && surface.Shows() > 5; }));
    EXPECT_LT(surface.Luma(10, 120), 30) << "the hook's drawing reaches the screen";
    player->Stop(true);

    calls = 0;
    player->SetOnHook([&](IMediaPlayer*, Bitmap24& bitmap, int64_t) {
        ++calls;
        for (int y = 100; y < 140; ++y)
            std::fill_n(bitmap.Row(y), 3 * 20, 0);
        throw std::runtime_error("hook failed");
    });
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Avi), &surface));
    ASSERT_TRUE(Until([&] { return log.Count(psEnd) == 1; }, 8000)) << "playback goes on";
    EXPECT_GT(calls.load(), 40);
    EXPECT_TRUE(log.Logged("Error occurs OnHook: hook failed"));
    EXPECT_GT(surface.Luma(10, 120), 150) << "a failed hook leaves the picture as decoded";
}

TEST_F(PlayerTest, OpenPlayAndStopFiftyTimesNeverHangs) {
    const std::string file = fixtures::Path(FixtureId::Mp4);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(player->Open(file, &surface, i % 5 == 4));
        Serve(i % 3 == 0 ? 60 : 5);
        if (i % 7 == 3) player->Seek(0, false, 1000000);
        player->Stop(true);
        ASSERT_FALSE(player->Playing());
    }
    // A hang would take far longer: each stop is bounded by its attempts.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
    ASSERT_TRUE(Until([&] { return log.Count(psStop) == 50; }));
}

// The host may read the probe's description at any time; the reading thread detaches the probe
// before it closes the input, never under a reader (the sanitizer builds see a read of a
// closed input).
TEST_F(PlayerTest, ProbeDescriptionReadWhilePlaybacksEnd) {
    const std::string file = fixtures::Path(FixtureId::Mp4);
    std::atomic<bool> done{false};
    std::atomic<int> described{0};
    std::thread reader([&] {
        while (!done) {
            if (player->ProbeInfoText().find("Stream #0") != std::string::npos) ++described;
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(player->Open(file, &surface));
        Serve(20);
        player->Stop(true);
    }
    done = true;
    reader.join();
    EXPECT_GT(described.load(), 0);
    EXPECT_EQ(player->ProbeInfoText(), "");
}

// An FLV file whose sound begins at 6 s and whose header names only the picture, as some
// recorders write it: the demuxer adds the sound stream while the file plays.
void WriteLateSoundFlv(const std::string& path) {
    AVFormatContext* oc = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&oc, nullptr, "flv", path.c_str()), 0);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FLV1);
    ASSERT_NE(codec, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = 160;
    enc->height = 120;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, 10};
    enc->gop_size = 10;
    ASSERT_GE(avcodec_open2(enc, codec, nullptr), 0);
    AVStream* video = avformat_new_stream(oc, nullptr);
    avcodec_parameters_from_context(video->codecpar, enc);
    AVStream* sound = avformat_new_stream(oc, nullptr);
    sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    sound->codecpar->sample_rate = 22050;
    av_channel_layout_default(&sound->codecpar->ch_layout, 1);
    ASSERT_GE(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(oc, nullptr), 0);
    AVFrame* frame = av_frame_alloc();
    frame->format = enc->pix_fmt;
    frame->width = enc->width;
    frame->height = enc->height;
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
    AVPacket* pkt = av_packet_alloc();
    for (int k = 0; k <= 80; ++k) { // a tenth of a second each, to 8 s
        if (k < 80) {
            av_frame_make_writable(frame);
            for (int plane = 0; plane < 3; ++plane)
                std::memset(frame->data[plane], plane == 0 ? 16 + k * 2 : 128,
                            static_cast<size_t>(frame->linesize[plane]) * (plane == 0 ? 120 : 60));
            frame->pts = k;
        }
        ASSERT_GE(avcodec_send_frame(enc, k < 80 ? frame : nullptr), 0);
        while (avcodec_receive_packet(enc, pkt) == 0) {
            av_packet_rescale_ts(pkt, enc->time_base, video->time_base);
            pkt->stream_index = video->index;
            ASSERT_GE(av_write_frame(oc, pkt), 0);
        }
        if (k >= 60 && k < 80) {
            ASSERT_GE(av_new_packet(pkt, 2205 * 2), 0);
            std::memset(pkt->data, 0, pkt->size);
            pkt->pts = pkt->dts = av_rescale_q(k, AVRational{1, 10}, sound->time_base);
            pkt->stream_index = sound->index;
            ASSERT_GE(av_write_frame(oc, pkt), 0);
            av_packet_unref(pkt);
        }
    }
    ASSERT_GE(av_write_trailer(oc), 0);
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avio_closep(&oc->pb);
    avformat_free_context(oc);
    std::fstream header(path, std::ios::in | std::ios::out | std::ios::binary);
    header.seekp(4);
    header.put(0x01); // the header's flags: video only
    ASSERT_TRUE(header.good());
}

// The stream table such a demuxer grows is never reallocated under the probe's readers: while
// one holds the probe's lock, the reading waits.
TEST_F(PlayerTest, StreamTableGrowsOnlyOutsideTheProbesLock) {
    const std::string file = fixtures::Dir() + "/late-sound.flv";
    WriteLateSoundFlv(file);
    ASSERT_TRUE(player->Open(file, &surface));
    ASSERT_TRUE(Until([&] { return !player->ProbeInfoText().empty(); }));
    unsigned before = 0, during = 0;
    {
        const std::unique_lock<std::mutex> lock = player->LockProbe();
        before = player->Probe().Input()->nb_streams;
        player->Seek(sfAny, false, 5500000); // half a second before the sound
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        during = player->Probe().Input()->nb_streams;
    }
    EXPECT_EQ(before, 1u);
    EXPECT_EQ(during, before);
    EXPECT_TRUE(Until([&] { return player->ProbeInfoText().find("Audio") != std::string::npos; }, 5000))
        << "the sound stream is found once the lock is let go";
    player->Stop(true);
}

TEST_F(PlayerTest, StopWithoutWaitingEndsPlaybackSoon) {
    ASSERT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    ASSERT_TRUE(Until([&] { return log.Count(psPlay) == 1; }));
    player->Stop(false);
    ASSERT_TRUE(Until([&] { return log.Count(psStop) == 1; }));
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(player->CurrentPosition(), -1);
    // Operations without a playback do nothing.
    player->Pause();
    player->Seek(0, true, 0);
    player->SeekRelative(0, true, 1.0);
}

// A phone's upright recording, stored lying with its turn in the display matrix: the open
// event, the hook, the snapshot and the screen all get the picture as it is shown.
class TurnedClips : public PlayerTestBase, public ::testing::WithParamInterface<int> {};

TEST_P(TurnedClips, AreShownUpright) {
    const int rotation = GetParam();
    const bool swapped = rotation != 180;
    const int shownW = swapped ? 240 : 320, shownH = swapped ? 320 : 240;
    fixtures::ClipRecipe recipe;
    recipe.audioCodec.clear();
    recipe.seconds = 0.4;
    recipe.rotation = rotation;
    int openW = 0, openH = 0, hookW = 0, hookH = 0;
    std::mutex mutex;
    player->SetOnFileOpen([&](IMediaPlayer*, int64_t, int w, int h, int&, int&) {
        openW = w;
        openH = h;
    });
    player->SetHook(true);
    player->SetOnHook([&](IMediaPlayer*, Bitmap24& bitmap, int64_t) {
        std::lock_guard lock(mutex);
        hookW = bitmap.Width();
        hookH = bitmap.Height();
    });
    ASSERT_TRUE(player->Open(fixtures::Generate(recipe), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1; }));
    EXPECT_EQ(openW, shownW);
    EXPECT_EQ(openH, shownH);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(hookW, shownW);
        EXPECT_EQ(hookH, shownH);
    }
    int64_t pts = -1;
    Bitmap24& frame = player->GetCurrentFrame(pts);
    ASSERT_EQ(frame.Width(), shownW);
    ASSERT_EQ(frame.Height(), shownH);
    const int64_t index = FrameAt(pts);
    int judged = 0, wrong = 0;
    for (int v = 3; v < shownH; v += 9)
        for (int u = 3; u < shownW; u += 9) {
            int x = 0, y = 0;
            fixtures::StoredPoint(rotation, u, v, 320, 240, x, y);
            if (!fixtures::ClearOfEdges(index, x, y, 320, 240, 6)) continue;
            ++judged;
            if (!Near(frame.Row(v) + u * 3, fixtures::ExpectedBgr(index, x, y, 320, 240))) ++wrong;
        }
    EXPECT_GT(judged, 300);
    EXPECT_EQ(wrong, 0) << "of " << judged << " points";
    ASSERT_TRUE(Until([&] { return surface.Shows() > 0; }));
    std::lock_guard lock(surface.mutex_);
    EXPECT_EQ(surface.pictureWidth, shownW);
}

INSTANTIATE_TEST_SUITE_P(Player, TurnedClips, ::testing::Values(90, 180, 270));

// JPEG pictures and many phones' videos use the full 0..255 range: shown and snapshotted as if
// they were 16..235 their blacks would be crushed and their whites clipped.
TEST_F(PlayerTest, FullRangePicturesKeepTheirBlacksAndWhites) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mjpeg";
    recipe.pixelFormat = "yuvj420p";
    recipe.audioCodec.clear();
    recipe.seconds = 0.4;
    ASSERT_TRUE(player->Open(fixtures::Generate(recipe), &surface, true));
    ASSERT_TRUE(Until([&] { return log.Count(psPause) == 1; }));
    int64_t pts = -1;
    Bitmap24& frame = player->GetCurrentFrame(pts);
    ASSERT_EQ(frame.Width(), 320);
    const int64_t index = FrameAt(pts);
    // The middle of each of the eight bars, below the box: white 235 to black 16 per channel.
    for (int bar = 0; bar < 8; ++bar) {
        const int x = bar * 40 + 20, y = 200;
        SCOPED_TRACE(::testing::Message() << "bar " << bar);
        EXPECT_TRUE(Near(frame.Row(y) + x * 3, fixtures::ExpectedBgr(index, x, y, 320, 240), 8));
    }
}

} // namespace
} // namespace orvel::testing
