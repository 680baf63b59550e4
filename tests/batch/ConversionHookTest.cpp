// The conversion hook draws a job's layers in the order its two flags select. Runs with a
// QGuiApplication on the offscreen platform so text can be drawn.
#include "batch/ConversionHook.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace orvel;

namespace {

class ConversionHookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
    }

    // A mid-grey frame run through the hook as task 1, whose job is row 2.
    std::unique_ptr<Bitmap24> Run(const EffectSettings& job) {
        auto owned = std::make_unique<Bitmap24>(64, 32);
        Bitmap24& frame = *owned;
        for (int y = 0; y < 32; ++y)
            std::fill(frame.Row(y), frame.Row(y) + 64 * 3, uint8_t{100});
        TTaskItems items;
        items.Build({true, false, true});
        std::vector<EffectSettings> jobs(3);
        jobs[2] = job;
        hook.Prepare(items, jobs);
        THookInfo info;
        info.TaskIndex = 1;
        info.Bitmap = &frame;
        hook.ConverterCustomHook(nullptr, &info);
        EXPECT_TRUE(info.Update);
        EXPECT_FALSE(info.StopHook);
        return owned;
    }
    // The darkest pixel: where the black text was drawn.
    static int Darkest(const Bitmap24& frame) {
        int least = 255;
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width() * 3; ++x)
                least = std::min<int>(least, frame.Row(y)[x]);
        return least;
    }

    TConversionHook hook;
};

TEST_F(ConversionHookTest, DefaultJobLeavesTheFrameAlone) {
    const auto frame = Run(EffectSettings{});
    EXPECT_EQ(Darkest(*frame), 100);
    EXPECT_EQ(frame->Row(31)[63 * 3], 100);
}

TEST_F(ConversionHookTest, BrighteningReachesTheTextOnlyWhenTextIsProcessed) {
    EffectSettings job;
    job.WatermarkText = "WWWW";
    job.WatermarkFont.Size = 14;
    job.WatermarkFont.Color = 0x00202020;
    job.Brightness = 400;
    job.ProcessText = false;
    const auto plain = Run(job);
    job.ProcessText = true;
    const auto processed = Run(job);
    // Background brightened in both; the text keeps its colour only when drawn after the effects.
    EXPECT_GT(plain->Row(31)[63 * 3], 100);
    EXPECT_EQ(plain->Row(31)[63 * 3], processed->Row(31)[63 * 3]);
    EXPECT_LE(Darkest(*plain), 0x20);
    EXPECT_GT(Darkest(*processed), 0x20);
}

TEST_F(ConversionHookTest, UnreadablePictureRaisesSoTheEngineKeepsTheDecodedFrame) {
    EffectSettings job;
    job.WatermarkImage = "/nonexistent/logo.bmp";
    job.Exposure = 50;
    EXPECT_THROW(Run(job), std::runtime_error);
    // The hook stays usable for the next frame.
    EXPECT_EQ(Darkest(*Run(EffectSettings{})), 100);
}

TEST_F(ConversionHookTest, TaskWithoutJobIsIgnored) {
    TTaskItems items;
    items.Build({true});
    hook.Prepare(items, {EffectSettings{}});
    EXPECT_EQ(hook.JobOfTask(5), nullptr);
    EXPECT_NE(hook.JobOfTask(0), nullptr);
}

} // namespace
