#include "editing/PreviewKeys.h"

#include <gtest/gtest.h>

using namespace orvel;

TEST(PreviewKeysTest, KeysMoveThePreview) {
    constexpr int64_t kSec = 1'000'000, kDuration = 60 * kSec;
    using K = TPreviewKey;
    using M = TPreviewMove;
    struct TCase {
        K key;
        bool playing;
        int64_t position;
        TPreviewMove want;
    };
    const TCase cases[] = {
        {K::PlayPause, true, 10 * kSec, {M::TogglePlay}},
        {K::Forward, false, 10 * kSec, {M::NextPicture}},
        {K::Back,
         false,
         10 * kSec,
         {M::SeekTo, 10 * kSec - kPictureStep, true}}, // a step lands on its picture
        {K::Forward, true, 10 * kSec, {M::SeekTo, 15 * kSec}},
        {K::Back, true, 10 * kSec, {M::SeekTo, 5 * kSec}},
        {K::Back, true, 2 * kSec, {M::SeekTo, 0}},                            // not before the start
        {K::Forward, true, 58 * kSec, {M::SeekTo, kDuration - kPictureStep}}, // nor past the last picture
        {K::Back, false, -1, {M::SeekTo, 0, true}},                           // nothing playing yet
        {K::Home, true, 30 * kSec, {M::SeekTo, 0}},
        {K::End, false, 30 * kSec, {M::SeekTo, kDuration - kPictureStep}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PreviewKeyMove(c.key, c.playing, c.position, kDuration), c.want)
            << static_cast<int>(c.key) << " playing " << c.playing << " at " << c.position;
}
