#pragma once
// The H.264 levels (the limits of the standard's Annex A, table A-1): the lowest level that
// admits a stream's frame size, frame rate, bit rate and buffer, as devices read it.
namespace orvel {

struct TH264Stream {
    int Width = 0;
    int Height = 0;
    double FrameRate = 0;     // frames a second
    long long BitRate = 0;    // the highest of the average and the peak rate, bit/s
    long long BufferSize = 0; // the rate control's buffer, bits; 0: none stated
};

// The level as the stream's parameter sets write it (level_idc: 30 for 3.0, 31 for 3.1); 0 when
// no level admits the stream.
int LowestH264Level(const TH264Stream& stream);
// True when `level` (level_idc) admits the stream.
bool H264LevelAdmits(int level, const TH264Stream& stream);
// The highest bit rate (bit/s) and rate-control buffer (bits) a level admits; 0 for no level.
long long H264LevelBitRate(int level);
long long H264LevelBufferSize(int level);

} // namespace orvel
