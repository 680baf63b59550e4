#pragma once
// The progress window's live picture: the conversion's preview frame scaled to fit a fixed
// area and centred, with light blue bars where the proportions differ.
#include "engine/pictures/Bitmap24.h"

#include <QColor>
#include <QImage>

namespace orvel {

inline constexpr int kLivePictureWidth = 389;
inline constexpr int kLivePictureHeight = 210;
inline const QColor kLivePictureBackground{166, 202, 240};

struct TFitRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TFitRect&) const = default;
};

// Where a frame goes in the area: full width with bars above and below when it is the wider,
// else full height with bars left and right; each bar rounded half to even.
TFitRect FitIntoArea(int frameWidth, int frameHeight, int areaWidth, int areaHeight);

// The area filled with the background and the frame drawn into its fit; only the background
// for an empty frame.
QImage LivePicture(const Bitmap24& frame, int areaWidth = kLivePictureWidth,
                   int areaHeight = kLivePictureHeight);

} // namespace orvel
