#include "editing/TimeTexts.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

using namespace orvel;

TEST(TimeTextsTest, FormatMicrosecondsFields) {
    EXPECT_EQ(FormatMicroseconds(3'723'456'789), "01:02:03.456");
    EXPECT_EQ(FormatMicroseconds(0), "00:00:00.000");
    EXPECT_EQ(FormatMicroseconds(360'000'000'000), "100:00:00.000"); // hours do not wrap at 24
    EXPECT_EQ(FormatMicroseconds(999), "00:00:00.000");              // truncated, not rounded
    EXPECT_EQ(FormatMicroseconds(-1'500'000), "-00:00:01.500");
}

TEST(TimeTextsTest, FormatSecondsAndLength) {
    EXPECT_EQ(FormatSeconds(3723), "1:02:03");
    EXPECT_EQ(FormatSeconds(59), "0:00:59");
    EXPECT_EQ(FormatSeconds(360000), "100:00:00");
    EXPECT_EQ(FormatSeconds(-5), "0:00:00");
    EXPECT_EQ(FormatSecondsLength(123'456'789), "123.456 Second");
    EXPECT_EQ(FormatSecondsLength(5'000), "0.005 Second");
    EXPECT_EQ(FormatSecondsLength(-1), "0.000 Second");
}

TEST(TimeTextsTest, ShortenedSourceName) {
    const std::string name50 = "/home/user/videos/" + std::string(28, 'a') + ".avi"; // 50 chars
    ASSERT_EQ(name50.size(), 50u);
    EXPECT_EQ(ShortenedSourceName(name50, 50, 44), name50);
    const std::string name51 = "/home/user/videos/" + std::string(29, 'a') + ".avi";
    EXPECT_EQ(ShortenedSourceName(name51, 50, 44), name51.substr(0, 44) + "..." + "avi  ");
    // A name without an extension keeps only the dots of the shortening.
    EXPECT_EQ(ShortenedSourceName(std::string(60, 'b'), 50, 44), std::string(44, 'b') + "..  ");
    // Characters are counted, not bytes: 30 Cyrillic letters (60 bytes) are shown whole, and a
    // longer name is cut between letters.
    const std::string cyrillic30 = [] {
        std::string s;
        for (int i = 0; i < 30; ++i)
            s += "\xd0\xb4"; // д
        return s;
    }();
    EXPECT_EQ(ShortenedSourceName(cyrillic30, 50, 44), cyrillic30);
    const std::string cyrillic60 = cyrillic30 + cyrillic30 + ".avi";
    std::string head;
    for (int i = 0; i < 44; ++i)
        head += "\xd0\xb4";
    EXPECT_EQ(ShortenedSourceName(cyrillic60, 50, 44), head + "..." + "avi  ");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(ShortenedSourceName("/x.dir/" + std::string(60, 'c'), 50, 44),
              ("/x.dir/" + std::string(60, 'c')).substr(0, 44) + "..  ");
}

TEST(TimeTextsTest, ParseMicrosecondsReadsWhatTheFieldsShow) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"01:02:03.456", 3'723'456'000}, // as FormatMicroseconds writes it
        {"100:00:00.000", 360'000'000'000},
        {"2:05", 125'000'000},
        {" 90 ", 90'000'000},
        {"0.5", 500'000},
        {"00:00:01.000001", 1'000'001},
        {"", std::nullopt},
        {"1:60", std::nullopt},
        {"1:2:3:4", std::nullopt},
        {"-5", std::nullopt},
        {"1:", std::nullopt},
        {"12.", std::nullopt},
        {"1.2.3", std::nullopt},
        {"ab", std::nullopt},
        {"99999999999", std::nullopt}, // would overflow the count
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(ParseMicroseconds(text), want) << '"' << text << '"';
}
