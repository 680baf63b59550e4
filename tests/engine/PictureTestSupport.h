#pragma once
// Pictures for the conversion tests.
#include "engine/foundation/AVHandles.h"

#include <gtest/gtest.h>

namespace orvel::testing {

// A frame with its own (uninitialised) picture memory.
inline FramePtr AllocFrame(AVPixelFormat format, int width, int height) {
    FramePtr f = MakeFrame();
    f->format = format;
    f->width = width;
    f->height = height;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    return f;
}

} // namespace orvel::testing
