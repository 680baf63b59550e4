#include "editing/FrameCopy.h"

#include <cstring>

namespace orvel {

void TFrameCopy::Store(const BitmapView& frame) {
    if (frame.Empty()) return;
    // Bitmap bytes are blue, green, red, the byte order of QImage's BGR888.
    QImage copy(frame.Width, frame.Height, QImage::Format_BGR888);
    for (int y = 0; y < frame.Height; ++y)
        std::memcpy(copy.scanLine(y), frame.Row(y), static_cast<size_t>(frame.Width) * 3);
    std::lock_guard lock(mutex_);
    image_.swap(copy);
}

QImage TFrameCopy::Latest() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void TFrameCopy::Clear() {
    std::lock_guard lock(mutex_);
    image_ = QImage();
}

} // namespace orvel
