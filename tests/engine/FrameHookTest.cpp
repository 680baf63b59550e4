#include "OptionTestSupport.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/options/OptionParser.h"
#include "engine/pictures/FrameHooks.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace orvel {
namespace {

using testing::LogCapture;

const std::string kFull = ORVEL_VHOOK_FULL;
const std::string kNoProcess = ORVEL_VHOOK_NOPROCESS;
const std::string kNoConfigure = ORVEL_VHOOK_NOCONFIGURE;

int& ModuleInt(const std::string& module, const char* symbol) {
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(handle, nullptr) << "module not loaded: " << module;
    int* p = static_cast<int*>(dlsym(handle, symbol));
    dlclose(handle); // drops only the reference taken here
    return *p;
}

FramePtr GreyFrame(int width, int height) {
    FramePtr f = MakeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    av_frame_get_buffer(f.get(), 0);
    for (int y = 0; y < height; ++y)
        memset(f->data[0] + y * f->linesize[0], 0, size_t(width));
    return f;
}

std::string ErrorOf(TOptionParser& parser, const std::string& value) {
    try {
        parser.Parse("vhook", value);
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(FrameHooks, HooksRunInOrderWithTheirArguments) {
    TTaskSettings settings;
    TOptionParser parser(settings);
    parser.Parse("vhook", kFull + " 33");
    EXPECT_EQ(ModuleInt(kFull, "vhook_test_last_argc"), 2);
    parser.Parse("vhook", kFull + "|77|extra words");
    EXPECT_EQ(ModuleInt(kFull, "vhook_test_last_argc"), 3);
    ASSERT_EQ(settings.FrameHooks.Entries.size(), 2u);
    EXPECT_TRUE(settings.FrameHooks.Enabled);

    FramePtr frame = GreyFrame(16, 8);
    ProcessFrameHooks(settings.FrameHooks, frame.get(), 0);
    EXPECT_EQ(frame->data[0][0], 77); // the later hook drew last
    EXPECT_EQ(frame->data[0][7 * frame->linesize[0] + 15], 77);

    const int released = ModuleInt(kFull, "vhook_test_released");
    ReleaseFrameHooks(settings.FrameHooks);
    EXPECT_EQ(ModuleInt(kFull, "vhook_test_released"), released + 2);
    EXPECT_TRUE(settings.FrameHooks.Entries.empty());
}

TEST(FrameHooks, ConfigureIsOptionalWithoutArguments) {
    TFrameHooks hooks;
    AddFrameHook(hooks, kNoConfigure);
    FramePtr frame = GreyFrame(4, 4);
    ProcessFrameHooks(hooks, frame.get(), 0);
    EXPECT_EQ(frame->data[0][0], 1);
    ReleaseFrameHooks(hooks);
}

TEST(FrameHooks, RefusedHooksAreReportedAndNotAdded) {
    LogCapture log;
    TTaskSettings settings;
    TOptionParser parser(settings);
    struct Case {
        std::string value, libraryLog;
    };
    for (const Case& c :
         {Case{kFull + " refuse", "Failed to Configure " + kFull + "\n"},
          Case{kNoProcess, "Failed to find Process entrypoint in " + kNoProcess + "\n"},
          Case{kNoConfigure + " 5", "Failed to find Configure entrypoint in " + kNoConfigure + "\n"}}) {
        EXPECT_EQ(ErrorOf(parser, c.value), "Failed to add video hook function: " + c.value);
        EXPECT_TRUE(log.LibraryLogged(AV_LOG_ERROR, c.libraryLog)) << c.libraryLog;
    }
    EXPECT_EQ(ErrorOf(parser, "/no/such/hook.so"), "Failed to add video hook function: /no/such/hook.so");
    EXPECT_TRUE(settings.FrameHooks.Entries.empty());
    EXPECT_FALSE(settings.FrameHooks.Enabled);
}

} // namespace
} // namespace orvel
