#pragma once
// BGR24 -> YUV 4:2:0 (BT.601, limited range) for the drawn bitmaps going back to the encoder.
// It gives byte for byte what the scaler library's own unscaled conversion of the whole picture
// gives on x86-64, at several times its speed, and it gives it for any band of rows converted
// alone: the library treats the first and the last row pair of a picture differently (luma with
// one rounding, chroma from the pair's top-left pixel) from the pairs between (luma with two
// truncations, chroma from the rounded average of four pixels), and a band here knows where it
// lies in the picture.
extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstdint>

namespace orvel {

// True for the pictures this converter serves: planar YUV 4:2:0 of even width, on x86-64
// processors with AVX2. Others (odd widths take another path through the library; without
// AVX2 the library is faster) keep going through the scaler.
bool BgrToYuv420Handles(AVPixelFormat format, int width);

// Converts rows [top, top + rows) of a width x pictureHeight BGR24 picture (bgr points at row 0)
// into the three planes of the picture. top must be even; only for pictures BgrToYuv420Handles
// accepts.
void BgrToYuv420Rows(const uint8_t* bgr, int bgrStride, int width, int pictureHeight, int top, int rows,
                     uint8_t* const planes[], const int linesize[]);

} // namespace orvel
