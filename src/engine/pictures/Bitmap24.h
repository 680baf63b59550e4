#pragma once
// The frame type every hook and the effects renderer share: 24 bits per pixel, bytes in the
// order blue, green, red, top-down rows reached through a row stride.
#include <cstdint>
#include <mutex>
#include <vector>

namespace orvel {

struct BitmapView {
    uint8_t* Bits = nullptr; // row 0
    int Width = 0;
    int Height = 0;
    int Stride = 0; // bytes from one row to the next, at least 3 * Width

    uint8_t* Row(int y) const { return Bits + static_cast<std::ptrdiff_t>(y) * Stride; }
    bool Empty() const { return Bits == nullptr || Width <= 0 || Height <= 0; }
};

// An owning bitmap. Rows are padded to 32 bits as a device-independent bitmap's are.
// The canvas lock keeps two threads from drawing on one bitmap at a time.
class Bitmap24 {
public:
    Bitmap24() = default;
    Bitmap24(int width, int height) { SetSize(width, height); }

    static int BytesPerLine(int width) { return ((width * 3) + 3) & ~3; }
    static constexpr size_t kSpareBytes = 64;

    // Keeps the memory when the size shrinks or stays, so per-frame resizing does not allocate.
    void SetSize(int width, int height) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        stride_ = BytesPerLine(width_);
        // The scalers' vector code reads and writes a little past the last pixel of a row.
        const size_t need = static_cast<size_t>(stride_) * height_ + kSpareBytes;
        if (pixels_.size() < need) pixels_.resize(need);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    uint8_t* Bits() { return pixels_.data(); }
    const uint8_t* Bits() const { return pixels_.data(); }
    uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    BitmapView View() { return BitmapView{pixels_.data(), width_, height_, stride_}; }

    std::recursive_mutex& CanvasLock() { return canvasLock_; }

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<uint8_t> pixels_;
    std::recursive_mutex canvasLock_;
};

} // namespace orvel
