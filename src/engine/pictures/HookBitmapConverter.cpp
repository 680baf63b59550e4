#include "engine/pictures/HookBitmapConverter.h"

#include "engine/pictures/BgrToYuv420.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace orvel {
namespace {

constexpr AVPixelFormat kBitmapFormat = AV_PIX_FMT_BGR24;
// Rows of the kept copy aligned for the scalers' vector code, which also writes whole blocks of
// pixels past the end of a row: the row must hold them, or a band's last row would spill into
// the next band while another thread converts that one.
constexpr int kRowAlign = 64;
constexpr int kRowPixels = 32;

// Formats whose planes can be cut into bands of rows: no palette, no bit-packed or sensor
// layouts, no hardware surfaces, chroma subsampled by no more than a band's height.
bool Bandable(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc) return false;
    const uint64_t refused =
        AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BAYER;
    return (desc->flags & refused) == 0 && (1 << desc->log2_chroma_h) <= THookBitmapConverter::kBandRows;
}

// Plane pointers of the band starting at row top; the chroma planes of vertically subsampled
// formats hold fewer rows.
void BandPlanes(AVPixelFormat format, uint8_t* const data[], const int linesize[], int top, uint8_t* out[4]) {
    const int chromaShift = av_pix_fmt_desc_get(format)->log2_chroma_h;
    for (int p = 0; p < 4; ++p) {
        const int shift = (p == 1 || p == 2) ? chromaShift : 0;
        out[p] = data[p] ? data[p] + static_cast<ptrdiff_t>(top >> shift) * linesize[p] : nullptr;
    }
}

} // namespace

THookBitmapConverter::THookBitmapConverter(int parts) : workers_(parts), scalers_(workers_.Parts()) {}

Bitmap24& THookBitmapConverter::Bitmap() {
    if (!bitmap_) bitmap_ = std::make_unique<Bitmap24>();
    return *bitmap_;
}

THookBitmapConverter::Band THookBitmapConverter::BandAt(int index) const {
    const int top = index * kBandRows;
    return Band{top, std::min(kBandRows, height_ - top)};
}

bool THookBitmapConverter::PictureToBitmap(const AVFrame* frame) {
    if (!frame || !frame->data[0] || frame->width <= 0 || frame->height <= 0) return false;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    Bitmap24& bitmap = Bitmap();
    banded_ = false;
    if (Bandable(format)) {
        const int stride = FFALIGN(FFALIGN(frame->width, kRowPixels) * 3, kRowAlign);
        // Spare bytes after the last row: the scalers' vector code runs a little past a row's end.
        const size_t need = static_cast<size_t>(stride) * frame->height + Bitmap24::kSpareBytes;
        if (need > givenSize_) {
            given_.reset(static_cast<uint8_t*>(av_malloc(need)));
            givenSize_ = given_ ? need : 0;
        }
        if (given_) {
            givenStride_ = stride;
            width_ = frame->width;
            height_ = frame->height;
            format_ = frame->format;
            bands_ = (height_ + kBandRows - 1) / kBandRows;
            av_image_fill_linesizes(planeBytes_, format, width_);
            bitmap.SetSize(width_, height_);
            bool failed[TStripWorkers::kMaxParts] = {};
            workers_.Run(bands_, [&](int part, int band) {
                if (!LoadBand(scalers_[part], frame, band)) failed[part] = true;
            });
            banded_ = std::none_of(failed, failed + workers_.Parts(), [](bool f) { return f; });
        }
    }
    // Formats that cannot be cut, or a band no scaler could be made for: the whole picture at once.
    return banded_ || whole_.PictureToBitmap(frame, bitmap);
}

bool THookBitmapConverter::LoadBand(PartScalers& scalers, const AVFrame* frame, int index) {
    const Band band = BandAt(index);
    uint8_t* given = given_.get() + static_cast<ptrdiff_t>(band.top) * givenStride_;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (format == kBitmapFormat) {
        CopyRows(frame->data[0] + static_cast<ptrdiff_t>(band.top) * frame->linesize[0], frame->linesize[0],
                 given, givenStride_, width_ * 3, band.rows);
    } else {
        TCachedScaler& scaler = scalers.toBitmap[band.rows == kBandRows ? 0 : 1];
        if (!CachedScaler(scaler, width_, band.rows, format, width_, band.rows, kBitmapFormat,
                          FullRange(frame)))
            return false;
        uint8_t* planes[4];
        BandPlanes(format, frame->data, frame->linesize, band.top, planes);
        const uint8_t* src[4] = {planes[0], planes[1], planes[2], planes[3]};
        uint8_t* dst[4] = {given, nullptr, nullptr, nullptr};
        const int dstLines[4] = {givenStride_, 0, 0, 0};
        if (sws_scale(scaler.get(), src, frame->linesize, 0, band.rows, dst, dstLines) <= 0) return false;
    }
    CopyRows(given, givenStride_, bitmap_->Row(band.top), bitmap_->Stride(), width_ * 3, band.rows);
    return true;
}

bool THookBitmapConverter::BitmapToPicture(AVFrame* frame) {
    pieces_.clear();
    if (!frame || !frame->data[0] || !bitmap_) return false;
    const bool samePicture = banded_ && frame->width == width_ && frame->height == height_ &&
                             frame->format == format_ && bitmap_->Width() == width_ &&
                             bitmap_->Height() == height_;
    if (!samePicture) return StoreWhole(frame);
    isChanged_.assign(bands_, 0);
    workers_.Run(bands_, [&](int, int band) { isChanged_[band] = BandChanged(band); });
    PlanPieces();
    if (pieces_.empty()) return true;
    bool failed[TStripWorkers::kMaxParts] = {};
    const auto store = [&](AVFrame* to) {
        workers_.Run(static_cast<int>(pieces_.size()), [&](int part, int i) {
            if (!StoreRows(scalers_[part], to, pieces_[i])) failed[part] = true;
        });
    };
    if (!frame->buf[0] || av_frame_is_writable(frame)) {
        store(frame);
    } else {
        // A picture shared with others (a decoder keeps its reference pictures) is not drawn on:
        // the changed bands go to a work picture, which takes the other bands from the frame.
        AVFrame* work = FreeWorkPicture(frame);
        if (!work) return false;
        av_frame_unref(shell_.get());
        if (av_frame_ref(shell_.get(), work) < 0 || av_frame_copy_props(shell_.get(), frame) < 0)
            return false;
        workers_.Run(bands_, [&](int, int band) {
            if (!isChanged_[band]) CopyBand(frame, shell_.get(), band);
        });
        store(shell_.get());
        av_frame_unref(frame);
        av_frame_move_ref(frame, shell_.get());
    }
    return std::none_of(failed, failed + workers_.Parts(), [](bool f) { return f; }) || StoreWhole(frame);
}

void THookBitmapConverter::CopyBand(const AVFrame* from, AVFrame* to, int index) const {
    const Band band = BandAt(index);
    const int chromaShift = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format_))->log2_chroma_h;
    for (int p = 0; p < 4 && from->data[p]; ++p) {
        const int shift = (p == 1 || p == 2) ? chromaShift : 0;
        const int top = band.top >> shift;
        const int rows = AV_CEIL_RSHIFT(band.top + band.rows, shift) - top;
        CopyRows(from->data[p] + static_cast<ptrdiff_t>(top) * from->linesize[p], from->linesize[p],
                 to->data[p] + static_cast<ptrdiff_t>(top) * to->linesize[p], to->linesize[p], planeBytes_[p],
                 rows);
    }
}

AVFrame* THookBitmapConverter::FreeWorkPicture(const AVFrame* like) {
    if (!shell_ && !(shell_ = MakeFrame())) return nullptr;
    for (FramePtr& work : work_) {
        if (work->width != like->width || work->height != like->height || work->format != like->format) {
            work_.clear(); // the size changed: the old pictures are of no more use
            break;
        }
        if (av_frame_is_writable(work.get())) return work.get();
    }
    if (work_.size() < kWorkPictures) {
        FramePtr work = MakeFrame();
        if (!work) return nullptr;
        work->format = like->format;
        work->width = like->width;
        work->height = like->height;
        if (av_frame_get_buffer(work.get(), 0) < 0) return nullptr;
        work_.push_back(std::move(work));
        return work_.back().get();
    }
    // Every kept picture is still held further down the pipeline: the oldest gets new memory.
    std::rotate(work_.begin(), work_.begin() + 1, work_.end());
    return av_frame_make_writable(work_.back().get()) < 0 ? nullptr : work_.back().get();
}

bool THookBitmapConverter::BandChanged(int index) const {
    const Band band = BandAt(index);
    const int rowBytes = width_ * 3;
    for (int y = band.top; y < band.top + band.rows; ++y)
        if (std::memcmp(bitmap_->Row(y), given_.get() + static_cast<ptrdiff_t>(y) * givenStride_, rowBytes) !=
            0)
            return true;
    return false;
}

void THookBitmapConverter::PlanPieces() {
    pieces_.clear();
    const int parts = workers_.Parts();
    for (int first = 0; first < bands_;) {
        if (!isChanged_[first]) {
            ++first;
            continue;
        }
        int end = first + 1;
        while (end < bands_ && isChanged_[end])
            ++end;
        const int count = end - first;
        const int cuts = std::min(count, parts);
        for (int j = 0; j < cuts; ++j) {
            const int top = (first + count * j / cuts) * kBandRows;
            const int bottom = std::min((first + count * (j + 1) / cuts) * kBandRows, height_);
            pieces_.push_back(Band{top, bottom - top});
        }
        first = end;
    }
}

bool THookBitmapConverter::StoreRows(PartScalers& scalers, AVFrame* frame, const Band& band) {
    // Straight from the handler's bitmap: the scaler only reads it, and reads past a row's end
    // stay within the bitmap's spare bytes.
    const uint8_t* drawn = bitmap_->Row(band.top);
    const int drawnStride = bitmap_->Stride();
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (format == kBitmapFormat) {
        CopyRows(drawn, drawnStride, frame->data[0] + static_cast<ptrdiff_t>(band.top) * frame->linesize[0],
                 frame->linesize[0], width_ * 3, band.rows);
        return true;
    }
    // The vector path writes limited range only.
    const bool full = FullRange(frame);
    if (!full && BgrToYuv420Handles(format, width_)) {
        BgrToYuv420Rows(bitmap_->Bits(), drawnStride, width_, height_, band.top, band.rows, frame->data,
                        frame->linesize);
        return true;
    }
    auto kept = std::find_if(scalers.fromBitmap.begin(), scalers.fromBitmap.end(),
                             [&](const auto& entry) { return entry.first == band.rows; });
    if (kept == scalers.fromBitmap.end()) {
        if (scalers.fromBitmap.size() >= kKeptHeights) scalers.fromBitmap.erase(scalers.fromBitmap.begin());
        scalers.fromBitmap.emplace_back(band.rows, TCachedScaler{});
        kept = scalers.fromBitmap.end() - 1;
    }
    TCachedScaler& scaler = kept->second;
    if (!CachedScaler(scaler, width_, band.rows, kBitmapFormat, width_, band.rows, format, false, full))
        return false;
    const uint8_t* src[4] = {drawn, nullptr, nullptr, nullptr};
    const int srcLines[4] = {drawnStride, 0, 0, 0};
    uint8_t* dst[4];
    BandPlanes(format, frame->data, frame->linesize, band.top, dst);
    return sws_scale(scaler.get(), src, srcLines, 0, band.rows, dst, frame->linesize) > 0;
}

bool THookBitmapConverter::StoreWhole(AVFrame* frame) {
    return whole_.BitmapToPicture(bitmap_->View(), frame);
}

void THookBitmapConverter::Reset() {
    workers_.Stop();
    for (PartScalers& s : scalers_)
        s = PartScalers{};
    bitmap_.reset();
    given_.reset();
    givenSize_ = 0;
    givenStride_ = 0;
    width_ = height_ = bands_ = 0;
    format_ = -1;
    banded_ = false;
    pieces_.clear();
    isChanged_.clear();
    work_.clear();
    shell_.reset();
    whole_.Reset();
}

} // namespace orvel
