#pragma once
// Frames for the effects tests: rows padded beyond the pixels with a guard byte, so any write
// outside the frame's pixels shows up.
#include "engine/pictures/Bitmap24.h"

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

namespace orvel::test {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    bool operator==(const Bgr&) const = default;
};

inline void PrintTo(const Bgr& c, std::ostream* os) {
    *os << "(b " << int(c.b) << ", g " << int(c.g) << ", r " << int(c.r) << ")";
}

class GuardedFrame {
public:
    static constexpr int kPad = 7;
    static constexpr uint8_t kGuard = 0xA5;

    GuardedFrame(int width, int height, Bgr fill = {})
        : width_(width), height_(height), stride_(width * 3 + kPad),
          bytes_(static_cast<size_t>(stride_) * (height + 1), kGuard) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Set(x, y, fill);
    }

    BitmapView View() { return BitmapView{bytes_.data(), width_, height_, stride_}; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    Bgr At(int x, int y) const {
        const uint8_t* p = &bytes_[static_cast<size_t>(y) * stride_ + x * 3];
        return Bgr{p[0], p[1], p[2]};
    }
    void Set(int x, int y, Bgr c) {
        uint8_t* p = &bytes_[static_cast<size_t>(y) * stride_ + x * 3];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
    void FillRandom(unsigned seed) {
        std::mt19937 rng(seed);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_ * 3; ++x)
                bytes_[static_cast<size_t>(y) * stride_ + x] = static_cast<uint8_t>(rng());
    }
    // The pixel bytes only, row by row.
    std::vector<uint8_t> Pixels() const {
        std::vector<uint8_t> out;
        for (int y = 0; y < height_; ++y)
            out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(y) * stride_,
                       bytes_.begin() + static_cast<std::ptrdiff_t>(y) * stride_ + width_ * 3);
        return out;
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < bytes_.size(); ++i) {
            const size_t y = i / stride_, x = i % stride_;
            if ((y >= static_cast<size_t>(height_) || x >= static_cast<size_t>(width_) * 3) &&
                bytes_[i] != kGuard)
                return false;
        }
        return true;
    }

private:
    int width_, height_, stride_;
    std::vector<uint8_t> bytes_;
};

} // namespace orvel::test
