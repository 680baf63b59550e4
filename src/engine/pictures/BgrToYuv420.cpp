#include "engine/pictures/BgrToYuv420.h"

#include <algorithm>
#include <array>
#include <cstddef>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORVEL_BGR_TO_YUV_AVX2 1
#endif

namespace orvel {
namespace {

// Weights in 1/32768 (blue, green, red), as the library's conversion uses them.
constexpr int kYB = 3208, kYG = 16519, kYR = 8414;
constexpr int kUB = 14392, kUG = -9528, kUR = -4865;
constexpr int kVB = -2332, kVG = -12061, kVR = 14392;

// Pairs between the first and the last: blue and green summed and truncated to 1/128, red
// likewise, then both together. Right shifts of negative values round down (C++20).
inline int Truncated(int b, int g, int r, int wb, int wg, int wr) {
    return (((b * wb + g * wg) >> 8) + ((r * wr) >> 8)) >> 7;
}
// The first and the last pair: one sum, one shift.
inline int Rounded(int b, int g, int r, int wb, int wg, int wr) {
    return (b * wb + g * wg + r * wr) >> 15;
}
inline int Average(int a, int b) {
    return (a + b + 1) >> 1;
}

#ifdef ORVEL_BGR_TO_YUV_AVX2
// The same arithmetic sixteen pixels at a time. Weight pairs go through the multiply-add of
// 16-bit lanes, whose two 32-bit sums per pixel are exactly the two truncated parts above.

// Byte shuffles that gather channel k of sixteen BGR pixels from the 16-byte chunk s of 48 bytes.
constexpr std::array<int8_t, 16> GatherMask(int k, int s) {
    std::array<int8_t, 16> mask{};
    for (int pos = 0; pos < 16; ++pos) {
        const int at = 3 * pos + k - 16 * s;
        mask[static_cast<size_t>(pos)] = static_cast<int8_t>(at >= 0 && at < 16 ? at : -128);
    }
    return mask;
}

struct Planes16 {
    __m128i b, g, r; // sixteen bytes each
};

__attribute__((target("avx2"))) inline __m128i Gather(__m128i c0, __m128i c1, __m128i c2, int k) {
    static constexpr std::array<int8_t, 16> m[3][3] = {
        {GatherMask(0, 0), GatherMask(0, 1), GatherMask(0, 2)},
        {GatherMask(1, 0), GatherMask(1, 1), GatherMask(1, 2)},
        {GatherMask(2, 0), GatherMask(2, 1), GatherMask(2, 2)},
    };
    const auto mask = [&](int s) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m[k][s].data()));
    };
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c0, mask(0)), _mm_shuffle_epi8(c1, mask(1))),
                        _mm_shuffle_epi8(c2, mask(2)));
}

__attribute__((target("avx2"))) inline Planes16 Load16(const uint8_t* p) {
    const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    return Planes16{Gather(c0, c1, c2, 0), Gather(c0, c1, c2, 1), Gather(c0, c1, c2, 2)};
}

__attribute__((target("avx2"))) inline __m256i Weights(int a, int b) {
    return _mm256_set1_epi32(
        static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | static_cast<uint16_t>(a)));
}

__attribute__((target("avx2"))) inline __m256i Truncated8(__m256i bg, __m256i r0, __m256i wbg, __m256i wr0) {
    const __m256i sum = _mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(bg, wbg), 8),
                                         _mm256_srai_epi32(_mm256_madd_epi16(r0, wr0), 8));
    return _mm256_srai_epi32(sum, 7);
}

__attribute__((target("avx2"))) void LumaRow16(const Planes16& c, uint8_t* y) {
    const __m256i b = _mm256_cvtepu8_epi16(c.b);
    const __m256i g = _mm256_cvtepu8_epi16(c.g);
    const __m256i r = _mm256_cvtepu8_epi16(c.r);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wbg = Weights(kYB, kYG), wr0 = Weights(kYR, 0);
    const __m256i lo = Truncated8(_mm256_unpacklo_epi16(b, g), _mm256_unpacklo_epi16(r, zero), wbg, wr0);
    const __m256i hi = Truncated8(_mm256_unpackhi_epi16(b, g), _mm256_unpackhi_epi16(r, zero), wbg, wr0);
    // Packing undoes the unpacks' interleave within each 128-bit half.
    const __m256i words = _mm256_add_epi16(_mm256_packs_epi32(lo, hi), _mm256_set1_epi16(16));
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y), _mm256_castsi256_si128(bytes));
}

// Eight chroma samples from sixteen columns of a row pair.
__attribute__((target("avx2"))) void ChromaPair16(const Planes16& top, const Planes16& bottom, uint8_t* u,
                                                  uint8_t* v) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    const auto across = [&](__m128i a, __m128i b) {
        const __m128i down = _mm_avg_epu8(a, b);
        return _mm_avg_epu16(_mm_and_si128(down, low), _mm_srli_epi16(down, 8));
    };
    // Eight averaged pixels in 16-bit lanes, widened so both halves share one 256-bit register.
    const __m256i b = _mm256_cvtepu16_epi32(across(top.b, bottom.b));
    const __m256i g = _mm256_cvtepu16_epi32(across(top.g, bottom.g));
    const __m256i r = _mm256_cvtepu16_epi32(across(top.r, bottom.r));
    const __m256i bg = _mm256_or_si256(b, _mm256_slli_epi32(g, 16));
    const __m256i cu =
        _mm256_add_epi32(Truncated8(bg, r, Weights(kUB, kUG), Weights(kUR, 0)), _mm256_set1_epi32(128));
    const __m256i cv =
        _mm256_add_epi32(Truncated8(bg, r, Weights(kVB, kVG), Weights(kVR, 0)), _mm256_set1_epi32(128));
    // 32-bit lanes -> bytes: U in the low eight, V in the high eight.
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(cu, cv), 0xD8);
    const __m256i bytes = _mm256_packus_epi16(words, words);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u), _mm256_castsi256_si128(bytes));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm256_extracti128_si256(bytes, 1));
}

__attribute__((target("avx2"))) int AveragedPairAvx2(const uint8_t* row0, const uint8_t* row1, int width,
                                                     uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const Planes16 top = Load16(row0 + 3 * x);
        const Planes16 bottom = Load16(row1 + 3 * x);
        LumaRow16(top, y0 + x);
        LumaRow16(bottom, y1 + x);
        ChromaPair16(top, bottom, u + x / 2, v + x / 2);
    }
    return x;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Chroma of a row pair: each channel averaged down the pair, then across each two columns.
void AveragedPair(const uint8_t* row0, const uint8_t* row1, int width, uint8_t* y0, uint8_t* y1, uint8_t* u,
                  uint8_t* v) {
    int x = 0;
#ifdef ORVEL_BGR_TO_YUV_AVX2
    x = AveragedPairAvx2(row0, row1, width, y0, y1, u, v);
#endif
    // The last columns, fewer than sixteen.
    for (; x < width; x += 2) {
        const uint8_t* p0 = row0 + 3 * x;
        const uint8_t* p1 = row1 + 3 * x;
        for (int k = 0; k < 2; ++k) {
            y0[x + k] =
                static_cast<uint8_t>(Truncated(p0[3 * k], p0[3 * k + 1], p0[3 * k + 2], kYB, kYG, kYR) + 16);
            y1[x + k] =
                static_cast<uint8_t>(Truncated(p1[3 * k], p1[3 * k + 1], p1[3 * k + 2], kYB, kYG, kYR) + 16);
        }
        int c[3];
        for (int k = 0; k < 3; ++k)
            c[k] = Average(Average(p0[k], p1[k]), Average(p0[3 + k], p1[3 + k]));
        u[x / 2] = static_cast<uint8_t>(Truncated(c[0], c[1], c[2], kUB, kUG, kUR) + 128);
        v[x / 2] = static_cast<uint8_t>(Truncated(c[0], c[1], c[2], kVB, kVG, kVR) + 128);
    }
}

void RoundedLuma(const uint8_t* row, int width, uint8_t* y) {
    for (int x = 0; x < width; ++x, row += 3)
        y[x] = static_cast<uint8_t>(Rounded(row[0], row[1], row[2], kYB, kYG, kYR) + 16);
}

// The first and the last pair (row1 is null when the picture ends with a single row): chroma from
// each two columns' left pixel of the upper row.
void RoundedPair(const uint8_t* row0, const uint8_t* row1, int width, uint8_t* y0, uint8_t* y1, uint8_t* u,
                 uint8_t* v) {
    RoundedLuma(row0, width, y0);
    if (row1 != nullptr) RoundedLuma(row1, width, y1);
    for (int i = 0; i < width / 2; ++i) {
        const uint8_t* p = row0 + 6 * i;
        u[i] = static_cast<uint8_t>(Rounded(p[0], p[1], p[2], kUB, kUG, kUR) + 128);
        v[i] = static_cast<uint8_t>(Rounded(p[0], p[1], p[2], kVB, kVG, kVR) + 128);
    }
}

} // namespace

bool BgrToYuv420Handles(AVPixelFormat format, int width) {
#ifdef ORVEL_BGR_TO_YUV_AVX2
    // Without vector units the scaler's own code is the faster one.
    return HasAvx2() && format == AV_PIX_FMT_YUV420P && width > 0 && width % 2 == 0;
#else
    return false;
#endif
}

void BgrToYuv420Rows(const uint8_t* bgr, int bgrStride, int width, int pictureHeight, int top, int rows,
                     uint8_t* const planes[], const int linesize[]) {
    const int end = std::min(top + rows, pictureHeight);
    for (int y = top; y < end; y += 2) {
        const bool single = y + 1 >= pictureHeight;
        const uint8_t* row0 = bgr + static_cast<ptrdiff_t>(y) * bgrStride;
        const uint8_t* row1 = single ? nullptr : row0 + bgrStride;
        uint8_t* y0 = planes[0] + static_cast<ptrdiff_t>(y) * linesize[0];
        uint8_t* y1 = single ? nullptr : y0 + linesize[0];
        uint8_t* u = planes[1] + static_cast<ptrdiff_t>(y / 2) * linesize[1];
        uint8_t* v = planes[2] + static_cast<ptrdiff_t>(y / 2) * linesize[2];
        const bool edgePair = (y == 0 && pictureHeight > 2) || y + 2 >= pictureHeight;
        if (edgePair)
            RoundedPair(row0, row1, width, y0, y1, u, v);
        else
            AveragedPair(row0, row1, width, y0, y1, u, v);
    }
}

} // namespace orvel
