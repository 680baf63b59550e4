#pragma once
// The last processed preview frame, handed from the player's decoding thread to a timer on the
// main thread. Each frame is stored as a new image and swapped in under a lock, so the timer
// never paints a frame that is being replaced.
#include "engine/pictures/Bitmap24.h"

#include <QImage>

#include <mutex>

namespace orvel {

class TFrameCopy {
public:
    void Store(const BitmapView& frame);
    // The newest frame; a null image before the first.
    QImage Latest() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    QImage image_;
};

} // namespace orvel
