#pragma once
// The effects step's two per-pixel passes with the byte tables held in registers, for processors
// with 64-byte byte permutes (AVX-512 VBMI): a 256-entry table look-up is then two permutes and a
// blend for 64 bytes, where a plain loop loads every byte's entry from memory. Same bytes as the
// plain passes; callers use them only when ByteTablePassesAvailable() says so.
#include <cstddef>
#include <cstdint>

namespace orvel {

bool ByteTablePassesAvailable();

// Every byte of p[0, n) through table.
void MapBytesVbmi(uint8_t* p, size_t n, const uint8_t table[256]);

// Saturation for `pixels` BGR pixels at p: each byte c of a pixel with grey level g (the byte sum
// div 3) becomes level[clamp(g - push(g) + push(c))], push(k) = ((k + 1) * saturation) div 256.
// saturation must be within 0 .. kMaxVbmiSaturation.
constexpr int kMaxVbmiSaturation = 1024;
void SaturatePixelsVbmi(uint8_t* p, size_t pixels, int saturation, const uint8_t level[256]);

} // namespace orvel
