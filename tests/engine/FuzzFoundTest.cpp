// Inputs the fuzz targets found faults with, run the way those targets run them: a conversion
// through the component to a small AVI. The faults were leaks and memory errors, so these
// cases show them in the sanitizer builds; the plain build checks that each run ends cleanly.
#include "engine/FFmpegConverter.h"
#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvel {
namespace {

struct FoundCase {
    const char* name;
    fixtures::ClipRecipe recipe;
};

fixtures::ClipRecipe SeedClip(const char* container, const char* video, const char* audio,
                              const char* subtitle) {
    fixtures::ClipRecipe r;
    r.container = container;
    r.videoCodec = video;
    r.audioCodec = audio;
    r.subtitleCodec = subtitle;
    r.width = 32;
    r.height = 24;
    r.seconds = 0.2;
    r.sampleRate = 22050;
    r.channels = 1;
    return r;
}

class FuzzFound : public ::testing::TestWithParam<FoundCase> {};

TEST_P(FuzzFound, ConvertsWithoutAFault) {
    const FoundCase& c = GetParam();
    const std::string input = fixtures::Generate(c.recipe);
    const std::string dir = fixtures::Dir() + "/fuzz-found";
    std::filesystem::create_directories(dir);
    TFFmpegConverter converter;
    converter.SetTriggerEventInMainThread(false);
    ASSERT_TRUE(converter.LoadLibraries("")) << converter.LastErrorMessage();
    bool ended = false;
    converter.OnTerminate = [&](TCustomFFmpegConverter*, const TTerminateInfo& info) {
        if (info.TaskIndex == 0) {
            EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
            ended = info.Finished;
        }
    };
    const int task = converter.AddTask(input);
    ASSERT_EQ(task, 0) << converter.LastErrorMessage();
    TOutputOptions out;
    out.FileFormat = "avi";
    out.VideoCodec = "mpeg4";
    out.AudioCodec = "mp2";
    out.FrameSize = "32x24";
    out.AudioChannels = 1;
    out.RecordingTime = 500000;
    ASSERT_TRUE(converter.SetOutputFile(task, dir + "/" + c.name + ".avi", &out))
        << converter.LastErrorMessage();
    converter.StartTask(0);
    EXPECT_TRUE(ended);
}

// The first: every picture after the first leaked the one kept before it (the picture held for
// the last one's duration).
const FoundCase kFound[] = {
    {"KeptPictureLeak", SeedClip("matroska", "mpeg4", "aac", "subrip")},
};

INSTANTIATE_TEST_SUITE_P(Engine, FuzzFound, ::testing::ValuesIn(kFound),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvel
