#include "probe/BlackBars.h"

#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

using namespace orvel;
namespace fx = orvel::fixtures;

TEST(BlackBarsTest, TheBlackBarOfTheTestPictureIsFound) {
    std::string error;
    // The pattern's last bar (x from 280 of 320) is black until the moving box reaches it.
    const auto early = DetectBlackBars(fx::Path(fx::FixtureId::Mp4), 0, 400'000, error);
    ASSERT_TRUE(early) << error;
    EXPECT_EQ(early->Width, 320);
    EXPECT_EQ(early->Height, 240);
    EXPECT_EQ(early->Top, 0);
    EXPECT_EQ(early->Bottom, 0);
    EXPECT_EQ(early->Left, 0);
    EXPECT_NEAR(early->Right, 40, 2);
    EXPECT_EQ(early->Right % 2, 0);
    // Over the whole clip the box passes over that bar: what any picture showed is kept.
    const auto whole = DetectBlackBars(fx::Path(fx::FixtureId::Mp4), 0, 2'000'000, error);
    ASSERT_TRUE(whole) << error;
    EXPECT_LT(whole->Right, early->Right);
    // Read from a later point on.
    const auto later = DetectBlackBars(fx::Path(fx::FixtureId::Avi), 1'200'000, 200'000, error);
    ASSERT_TRUE(later) << error;
}

TEST(BlackBarsTest, NoVideoNoAnswer) {
    for (const fx::FixtureId id : {fx::FixtureId::Mp3, fx::FixtureId::NonMedia}) {
        std::string error;
        EXPECT_FALSE(DetectBlackBars(fx::Path(id), 0, 1'000'000, error));
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_FALSE(DetectBlackBars("/no/such/file.mp4", 0, 1'000'000, error));
    EXPECT_EQ(error, "/no/such/file.mp4: cannot be read");
}
