#include "player/DisplaySurface.h"

#include <cmath>

namespace orvel {

double PictureAspect(double aspectRatio, int displayWidth, int displayHeight, AVRational pixelAspect,
                     int pictureWidth, int pictureHeight) {
    if (aspectRatio < 0 && displayWidth > 0 && displayHeight > 0)
        return static_cast<double>(displayWidth) / displayHeight;
    if (aspectRatio > 0) return aspectRatio;
    double pixel = pixelAspect.den ? av_q2d(pixelAspect) : 0.0;
    if (pixel <= 0) pixel = 1.0;
    if (pictureHeight <= 0) return 1.0;
    return pixel * pictureWidth / pictureHeight;
}

DisplayRect FitPicture(int displayWidth, int displayHeight, double aspect) {
    if (displayWidth <= 0 || displayHeight <= 0 || !(aspect > 0))
        return DisplayRect{0, 0, displayWidth > 0 ? displayWidth : 0, displayHeight > 0 ? displayHeight : 0};
    int height = displayHeight;
    int width = static_cast<int>(std::lround(height * aspect)) & ~1;
    if (width > displayWidth) {
        width = displayWidth;
        height = static_cast<int>(std::lround(width / aspect)) & ~1;
    }
    return DisplayRect{(displayWidth - width) / 2, (displayHeight - height) / 2, width, height};
}

} // namespace orvel
