#pragma once
// The custom hook's conversions between a decoded picture and the 24-bit BGR bitmap its handler
// draws on. The picture is converted in bands of rows spread over worker threads, and a copy
// of what the handler was given is kept: afterwards only the bands whose rows the handler
// changed are converted back. A handler that draws a small area pays for that area only; one
// that draws nothing leaves the picture exactly as it was. Buffers, scalers, work pictures and
// threads are kept, so frames of a stable size allocate no picture memory.
#include "engine/foundation/AVHandles.h"
#include "engine/pictures/Bitmap24.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/pictures/StripWorkers.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace orvel {

class THookBitmapConverter {
public:
    // parts: threads a conversion is spread over (<= 0: one per core the process may use).
    explicit THookBitmapConverter(int parts = 0);
    THookBitmapConverter(const THookBitmapConverter&) = delete;
    THookBitmapConverter& operator=(const THookBitmapConverter&) = delete;

    // Rows per band: a multiple of every chroma subsampling, so bands split chroma rows cleanly.
    static constexpr int kBandRows = 16;

    Bitmap24& Bitmap();

    // Picture -> Bitmap(), sized to the picture. False when no scaler can be made for it.
    bool PictureToBitmap(const AVFrame* frame);

    // The rows of Bitmap() that differ from what PictureToBitmap gave -> the same picture. Nothing
    // changed: the picture is left alone. A picture shared with others is never drawn on: the
    // frame is given a kept work picture instead. A bitmap the handler resized is scaled back
    // whole. False when no scaler or work picture can be made.
    bool BitmapToPicture(AVFrame* frame);

    // Frees the bitmap, buffers and scalers and ends the worker threads.
    void Reset();

private:
    // Scalers of each part, as scalers are not shared between threads: to the bitmap one per
    // band height (full band, last band); back from it one per height of the rows converted
    // back, which follow the changed areas, so the few latest heights are kept.
    struct PartScalers {
        TCachedScaler toBitmap[2];
        std::vector<std::pair<int, TCachedScaler>> fromBitmap; // by rows, oldest first
    };
    static constexpr size_t kKeptHeights = 6;
    struct Band {
        int top;
        int rows;
    };

    Band BandAt(int index) const;
    bool LoadBand(PartScalers& scalers, const AVFrame* frame, int index);
    // Changed bands next to each other go back as one piece (cut in as many pieces as there are
    // parts): the scalers' fast path takes the chroma of a piece's last two rows from one pixel
    // instead of four, so the fewer cuts, the closer the result is to converting the whole.
    // (4:2:0 pictures of even width go through BgrToYuv420Rows, which gives the whole picture's
    // bytes for any piece.)
    void PlanPieces();
    bool StoreRows(PartScalers& scalers, AVFrame* frame, const Band& rows);
    bool BandChanged(int index) const; // the band's bitmap rows differ from the kept copy
    bool StoreWhole(AVFrame* frame);
    void CopyBand(const AVFrame* from, AVFrame* to, int index) const;
    // One of the converter's work pictures that the pipeline has let go of (or a new one while
    // fewer than kWorkPictures are kept), for the picture like.
    AVFrame* FreeWorkPicture(const AVFrame* like);
    static constexpr size_t kWorkPictures = 4;

    std::unique_ptr<Bitmap24> bitmap_; // made at first use
    TStripWorkers workers_;
    std::vector<PartScalers> scalers_;
    // What the handler was given, in rows aligned for the scalers' vector code.
    AvBufferPtr given_;
    size_t givenSize_ = 0;
    int givenStride_ = 0;
    // The picture the bitmap was made from; banded_ is false when it went through whole (or
    // when nothing was converted yet).
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
    int bands_ = 0;
    int planeBytes_[4] = {}; // bytes of a row of each plane of the picture
    bool banded_ = false;
    std::vector<Band> pieces_;       // rows converted back, grown only
    std::vector<uint8_t> isChanged_; // per band, written by the parts
    TBitmapConverter whole_;         // formats that cannot be split into bands, resized bitmaps
    std::vector<FramePtr> work_;     // oldest first
    FramePtr shell_;                 // the frame being put together from a work picture
};

} // namespace orvel
