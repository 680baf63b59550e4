#include "editing/effects/ByteTablePasses.h"

#include <algorithm>
#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#define ORVEL_VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// The intrinsics fill unused lanes from deliberately undefined vectors, which GCC 12 reports as
// possibly uninitialised once they are inlined here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace orvel {
namespace {

// Byte permute indices: where each byte of the result comes from in the two 64-byte sources.
using Indices = std::array<uint8_t, 64>;

// Channel k of 32 pixels from their 96 interleaved bytes.
constexpr Indices Deinterleave(int k) {
    Indices idx{};
    for (int i = 0; i < 32; ++i)
        idx[static_cast<size_t>(i)] = static_cast<uint8_t>(3 * i + k);
    return idx;
}
// Interleaved bytes [first, first + 64) from blue (0..31) and green (32..63) of the first source
// and red (0..31) of the second.
constexpr Indices Interleave(int first) {
    Indices idx{};
    for (int j = 0; j < 64; ++j) {
        const int at = first + j, pixel = at / 3, k = at % 3;
        idx[static_cast<size_t>(j)] = static_cast<uint8_t>(pixel >= 32 ? 0 : k * 32 + pixel);
    }
    return idx;
}

constexpr Indices kBlue = Deinterleave(0), kGreen = Deinterleave(1), kRed = Deinterleave(2);
constexpr Indices kFirst64 = Interleave(0), kLast32 = Interleave(64);

ORVEL_VBMI inline __m512i LoadIndices(const Indices& idx) {
    return _mm512_loadu_si512(idx.data());
}

struct Table {
    __m512i q[4]; // entries 0-63, 64-127, 128-191, 192-255
};

ORVEL_VBMI inline Table LoadTable(const uint8_t table[256]) {
    Table t;
    for (int i = 0; i < 4; ++i)
        t.q[i] = _mm512_loadu_si512(table + 64 * i);
    return t;
}

// Each permute looks at the low seven bits of an index; the top bit picks the half.
ORVEL_VBMI inline __m512i LookUp(const Table& t, __m512i x) {
    const __m512i low = _mm512_permutex2var_epi8(t.q[0], x, t.q[1]);
    const __m512i high = _mm512_permutex2var_epi8(t.q[2], x, t.q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

ORVEL_VBMI inline __mmask64 FirstBytes(size_t n) {
    return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
}

// ((x + 1) * s) div 256 in 16-bit lanes; the product may exceed 16 bits, the result does not.
ORVEL_VBMI inline __m512i Push(__m512i x, __m512i s) {
    const __m512i x1 = _mm512_add_epi16(x, _mm512_set1_epi16(1));
    return _mm512_or_si512(_mm512_slli_epi16(_mm512_mulhi_epu16(x1, s), 8),
                           _mm512_srli_epi16(_mm512_mullo_epi16(x1, s), 8));
}

ORVEL_VBMI inline __m256i ClampToBytes(__m512i v) {
    return _mm512_cvtepi16_epi8(
        _mm512_max_epi16(_mm512_min_epi16(v, _mm512_set1_epi16(255)), _mm512_setzero_si512()));
}

} // namespace

bool ByteTablePassesAvailable() {
    static const bool available = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                                  __builtin_cpu_supports("avx512vbmi");
    return available;
}

ORVEL_VBMI void MapBytesVbmi(uint8_t* p, size_t n, const uint8_t table[256]) {
    const Table t = LoadTable(table);
    for (size_t i = 0; i < n; i += 64) {
        const __mmask64 mask = FirstBytes(n - i);
        const __m512i x = _mm512_maskz_loadu_epi8(mask, p + i);
        _mm512_mask_storeu_epi8(p + i, mask, LookUp(t, x));
    }
}

ORVEL_VBMI void SaturatePixelsVbmi(uint8_t* p, size_t pixels, int saturation, const uint8_t level[256]) {
    const Table t = LoadTable(level);
    const __m512i blue = LoadIndices(kBlue), green = LoadIndices(kGreen), red = LoadIndices(kRed);
    const __m512i first64 = LoadIndices(kFirst64), last32 = LoadIndices(kLast32);
    const __m512i s = _mm512_set1_epi16(static_cast<int16_t>(saturation));
    // sum div 3 for sums up to 765: (sum * 43691) >> 17.
    const __m512i third = _mm512_set1_epi16(static_cast<int16_t>(43691));
    for (size_t i = 0; i < pixels; i += 32) {
        uint8_t* at = p + 3 * i;
        const size_t bytes = 3 * std::min<size_t>(32, pixels - i);
        const __mmask64 mask0 = FirstBytes(bytes);
        const __mmask64 mask1 = bytes > 64 ? FirstBytes(bytes - 64) : 0;
        const __m512i z0 = _mm512_maskz_loadu_epi8(mask0, at);
        const __m512i z1 = _mm512_maskz_loadu_epi8(mask1, at + 64);
        const __m512i b =
            _mm512_cvtepu8_epi16(_mm512_castsi512_si256(_mm512_permutex2var_epi8(z0, blue, z1)));
        const __m512i g =
            _mm512_cvtepu8_epi16(_mm512_castsi512_si256(_mm512_permutex2var_epi8(z0, green, z1)));
        const __m512i r = _mm512_cvtepu8_epi16(_mm512_castsi512_si256(_mm512_permutex2var_epi8(z0, red, z1)));
        const __m512i sum = _mm512_add_epi16(_mm512_add_epi16(b, g), r);
        const __m512i grey = _mm512_srli_epi16(_mm512_mulhi_epu16(sum, third), 1);
        const __m512i m = _mm512_sub_epi16(grey, Push(grey, s));
        const __m256i nb = ClampToBytes(_mm512_add_epi16(m, Push(b, s)));
        const __m256i ng = ClampToBytes(_mm512_add_epi16(m, Push(g, s)));
        const __m256i nr = ClampToBytes(_mm512_add_epi16(m, Push(r, s)));
        const __m512i blueGreen = _mm512_inserti64x4(_mm512_castsi256_si512(nb), ng, 1);
        const __m512i redOnly = _mm512_castsi256_si512(nr);
        _mm512_mask_storeu_epi8(at, mask0, LookUp(t, _mm512_permutex2var_epi8(blueGreen, first64, redOnly)));
        if (mask1 != 0)
            _mm512_mask_storeu_epi8(at + 64, mask1,
                                    LookUp(t, _mm512_permutex2var_epi8(blueGreen, last32, redOnly)));
    }
}

} // namespace orvel

#pragma GCC diagnostic pop

#else

namespace orvel {

bool ByteTablePassesAvailable() {
    return false;
}
void MapBytesVbmi(uint8_t*, size_t, const uint8_t*) {}
void SaturatePixelsVbmi(uint8_t*, size_t, int, const uint8_t*) {}

} // namespace orvel

#endif
