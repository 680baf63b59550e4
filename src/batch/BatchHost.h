#pragma once
// The main window's side of a running batch, as the progress window reaches it: the job
// list's rows and buttons, the preview player, and the conversion's latest preview frame.
#include "engine/pictures/Bitmap24.h"

#include <string>

namespace orvel {

class IBatchHost {
public:
    virtual ~IBatchHost() = default;
    virtual void StopPreview() = 0;
    // The row's "Progress" column.
    virtual void SetRowProgress(int row, const std::string& text) = 0;
    // Why the row's job was not converted, or why its device may not play the output: the
    // row's tooltip.
    virtual void SetRowFailure(int row, const std::string& message) = 0;
    // The batch is over: the list's buttons work again.
    virtual void BatchEnded() = 0;
    // The frame of the conversion's last preview event; nullptr or empty before the first.
    virtual const Bitmap24* PreviewFrame() const = 0;
};

} // namespace orvel
