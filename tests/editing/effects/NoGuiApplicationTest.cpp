// Without a QGuiApplication there are no fonts: text drawing must refuse cleanly, not abort.
#include "EffectsTestSupport.h"
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/JobEffectsRenderer.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(WithoutGuiApplication, TextIsRefusedAndTheFrameKept) {
    test::GuardedFrame frame(30, 10, {5, 6, 7});
    const auto before = frame.Pixels();
    EXPECT_FALSE(DrawWatermarkText(frame.View(), "text", TWatermarkFont{}, 0, 0));

    EffectSettings s;
    s.WatermarkText = "text";
    s.ProcessText = true; // text first, so nothing else runs either
    s.Brightness = 400;
    std::string error;
    EXPECT_FALSE(RenderJobEffects(frame.View(), s, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(frame.Pixels(), before);

    // A conversion's renderer refuses every frame alike, also once it would record the text.
    TJobEffectsRenderer renderer(s);
    for (int frameNo = 0; frameNo < 3; ++frameNo) {
        std::string failure;
        EXPECT_FALSE(renderer.Render(frame.View(), &failure)) << frameNo;
        EXPECT_EQ(failure, error) << frameNo;
        EXPECT_EQ(frame.Pixels(), before) << frameNo;
    }

    // The pixel operations need no application.
    AdjustColors(frame.View(), 400, 0, 256);
    EXPECT_NE(frame.Pixels(), before);
}

} // namespace
} // namespace orvel
