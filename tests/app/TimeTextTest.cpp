#include "app/TimeText.h"

#include <gtest/gtest.h>

using namespace orvel;

TEST(TimeText, PositionsAndLengths) {
    EXPECT_EQ(FormatMicroseconds(3725120000), "01:02:05.120");
    EXPECT_EQ(FormatMicroseconds(0), "00:00:00.000");
    EXPECT_EQ(FormatMicroseconds(999), "00:00:00.000");
    EXPECT_EQ(FormatMicroseconds(int64_t{100} * 3600 * 1000000), "100:00:00.000");
    EXPECT_EQ(FormatWholeSeconds(3725600000), "1:02:06"); // 1 h 2 min 5.6 s
    EXPECT_EQ(FormatWholeSeconds(59499999), "0:00:59");
    EXPECT_EQ(FormatWholeSeconds(0), "0:00:00");
    EXPECT_EQ(FormatWholeSeconds(-5), "0:00:00");
}
