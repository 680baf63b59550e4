// Inputs the fuzz targets found faults with, run the way the converter target runs them. The
// faults were leaks and memory errors, which the sanitizer builds see; the plain build checks
// that each run ends cleanly.
#include "engine/component/FFmpegConverter.h"
#include "fixtures/FuzzInputs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvel {
namespace {

struct FoundCase {
    const char* name;
    const char* seed; // the seed clip the fuzzer started from; the fault showed on the seed itself
};

class FuzzFound : public ::testing::TestWithParam<FoundCase> {};

TEST_P(FuzzFound, ConvertsWithoutAFault) {
    const FoundCase& c = GetParam();
    const std::string input = fixtures::Generate(fixtures::FuzzSeedRecipe(c.seed));
    const std::string dir = fixtures::Dir() + "/fuzz-found";
    std::filesystem::create_directories(dir);
    TFFmpegConverter converter;
    converter.SetTriggerEventInMainThread(false);
    ASSERT_TRUE(converter.LoadLibraries("")) << converter.LastErrorMessage();
    bool finished = false;
    converter.OnTerminate = [&](TCustomFFmpegConverter*, const TTerminateInfo& info) {
        if (info.TaskIndex != 0) return;
        EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
        finished = info.Finished;
    };
    const int task = converter.AddTask(input);
    ASSERT_EQ(task, 0) << converter.LastErrorMessage();
    const TOutputOptions out = fixtures::FuzzConversionOutput();
    ASSERT_TRUE(converter.SetOutputFile(task, dir + "/" + c.name + ".avi", &out))
        << converter.LastErrorMessage();
    converter.StartTask(0);
    EXPECT_TRUE(finished);
}

// KeptPictureLeak: every picture after the first leaked the one kept before it (the picture
// held for the last one's duration).
const FoundCase kFound[] = {
    {"KeptPictureLeak", "seed.mkv"},
};

INSTANTIATE_TEST_SUITE_P(Engine, FuzzFound, ::testing::ValuesIn(kFound),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvel
