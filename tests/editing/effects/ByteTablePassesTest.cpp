// The register-table passes against the effects step's arithmetic, byte for byte: every grey
// level's sum, saturations across the allowed range, and lengths that end inside a block.
#include "editing/effects/ByteTablePasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace orvel {
namespace {

uint32_t Next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
}

std::array<uint8_t, 256> RandomTable(uint32_t seed) {
    std::array<uint8_t, 256> t{};
    for (uint8_t& e : t)
        e = static_cast<uint8_t>(Next(seed));
    return t;
}

// The saturation step as the renderer defines it, one pixel at a time.
void SaturateReference(uint8_t* p, size_t pixels, int s, const uint8_t* level) {
    const auto push = [s](int k) { return ((k + 1) * s) / 256; };
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const int grey = (p[0] + p[1] + p[2]) / 3;
        const int m = grey - push(grey);
        for (int k = 0; k < 3; ++k) {
            const int v = m + push(p[k]);
            p[k] = level[v < 0 ? 0 : (v > 255 ? 255 : v)];
        }
    }
}

TEST(ByteTablePasses, SaturateGivesTheStepsBytes) {
    if (!ByteTablePassesAvailable()) GTEST_SKIP() << "no AVX-512 VBMI on this processor";
    // Every byte sum 0..765 once, then noise.
    std::vector<uint8_t> pixels;
    for (int sum = 0; sum <= 765; ++sum) {
        const int b = std::min(sum, 255), g = std::min(sum - b, 255);
        pixels.insert(pixels.end(),
                      {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(sum - b - g)});
    }
    uint32_t seed = 7;
    while (pixels.size() < 3 * 2000)
        pixels.push_back(static_cast<uint8_t>(Next(seed)));
    const std::array<uint8_t, 256> level = RandomTable(11);
    for (const int saturation : {0, 1, 255, 256, 300, 512, kMaxVbmiSaturation})
        for (const size_t count :
             {size_t{1}, size_t{21}, size_t{22}, size_t{31}, size_t{32}, size_t{33}, size_t{2000}}) {
            std::vector<uint8_t> expected(pixels.begin(), pixels.begin() + 3 * count), got = expected;
            got.push_back(0xA5); // must stay
            SaturateReference(expected.data(), count, saturation, level.data());
            SaturatePixelsVbmi(got.data(), count, saturation, level.data());
            ASSERT_EQ(got.back(), 0xA5) << "wrote past the last pixel";
            got.pop_back();
            EXPECT_EQ(got, expected) << "saturation " << saturation << ", " << count << " pixels";
        }
}

TEST(ByteTablePasses, MapLooksEveryByteUp) {
    if (!ByteTablePassesAvailable()) GTEST_SKIP() << "no AVX-512 VBMI on this processor";
    const std::array<uint8_t, 256> table = RandomTable(3);
    for (const size_t n :
         {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{256}, size_t{1000}}) {
        std::vector<uint8_t> bytes(n + 1, 0xA5), expected;
        for (size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<uint8_t>(i * 7);
        for (size_t i = 0; i < n; ++i)
            expected.push_back(table[bytes[i]]);
        expected.push_back(0xA5);
        MapBytesVbmi(bytes.data(), n, table.data());
        EXPECT_EQ(bytes, expected) << n << " bytes";
    }
}

} // namespace
} // namespace orvel
