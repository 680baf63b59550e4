#pragma once
// What the player draws into. The player decides what to show and where; the surface (a widget
// of the host, or nothing in a headless program) only shows it.
#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace orvel {

// A planar YUV 4:2:0 picture the surface must copy before ShowPicture returns.
struct YuvPicture {
    const uint8_t* Planes[3] = {nullptr, nullptr, nullptr};
    int Strides[3] = {0, 0, 0};
    int Width = 0;
    int Height = 0;
};

struct DisplayRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const DisplayRect&) const = default;
};

// Display aspect of a picture: a positive AspectRatio is forced, a negative one fills the
// display area, and 0 takes the picture's own pixel aspect (square when unknown).
double PictureAspect(double aspectRatio, int displayWidth, int displayHeight, AVRational pixelAspect,
                     int pictureWidth, int pictureHeight);

// The largest rectangle of that aspect, even-sized, centred in the display area.
DisplayRect FitPicture(int displayWidth, int displayHeight, double aspect);

// Reports from the surface to the player; called from the surface's own thread and must
// return quickly.
class IDisplayListener {
public:
    virtual ~IDisplayListener() = default;
    virtual void DisplayResized(int width, int height) = 0;
    virtual void DisplayExposed() = 0;
};

class IDisplaySurface {
public:
    virtual ~IDisplaySurface() = default;
    // Size of the host area in pixels.
    virtual void ClientSize(int& width, int& height) const = 0;
    // Makes the display area width x height. False when it cannot.
    virtual bool OpenDisplay(int width, int height) = 0;
    // Shows the picture scaled into rect of the display area, black around it. Called from
    // the player's presentation thread; must not wait for the host's thread.
    virtual void ShowPicture(const YuvPicture& picture, const DisplayRect& rect) = 0;
    // nullptr detaches; after it returns the old listener is no longer called.
    virtual void SetListener(IDisplayListener* listener) = 0;
};

} // namespace orvel
