#pragma once
// Per-file frame effects: colour adjustment, exposure curve, overlay picture and watermark text,
// applied in place to a 24-bit frame. The conversion hook and the editing previews both draw
// through these functions, so a frame looks the same in the preview and in the output.
//
// These functions keep nothing between calls; TJobEffectsRenderer (JobEffectsRenderer.h) renders
// frame after frame of one job with the same pixels and keeps what does not change between
// frames. Callers lock the frame (Bitmap24::CanvasLock) around the whole render. Text drawing uses Qt's
// fonts, so a QGuiApplication (or QApplication) must exist while text is drawn; the pixel operations need
// none.
#include "editing/effects/WatermarkFont.h"
#include "engine/pictures/Bitmap24.h"

#include <string>
#include <vector>

namespace orvel {

// The values one frame is rendered with. Defaults are those of a freshly added job: no effect.
struct EffectSettings {
    int Brightness = 255; // 0..512 from the dialog; 255 is the "off" value of the job record
    int Contrast = 0;     // -100..100
    int Saturation = 255; // 0..512
    int Exposure = 0;     // -255..512

    std::string WatermarkText; // empty = no text
    TWatermarkFont WatermarkFont;
    int TextLeft = 0;
    int TextTop = 0;

    std::string WatermarkImage; // path of a BMP file; empty = no picture
    int ImageLeft = 0;
    int ImageTop = 0;
    int ImageAlpha = 168;
    int TransparentStyle = 1; // 1 = weighted blend, anything else = multiply

    bool ProcessText = false;  // colour effects also act on the text
    bool ProcessImage = false; // colour effects also act on the picture

    // The activity tests the batch controller and every hook share: the one place that says
    // which values leave a frame alone.
    bool ColorAdjustActive() const { return Brightness != 255 || Contrast != 0 || Saturation != 255; }
    bool ExposureActive() const { return Exposure != 0; }
    bool TextActive() const { return !WatermarkText.empty(); }
    bool PictureActive() const { return !WatermarkImage.empty(); }
    bool HasEffects() const {
        return ColorAdjustActive() || ExposureActive() || TextActive() || PictureActive();
    }

    bool operator==(const EffectSettings&) const = default;
};

// Saturation, brightness (a gain of brightness/256) and contrast (pivot 170), every pixel.
void AdjustColors(const BitmapView& frame, int brightness, int contrast, int saturation);

// Exposure curve on every byte; levels 0 and 255 never change.
void ApplyExposure(const BitmapView& frame, float exposure);

// Blends the picture with its top-left pixel at (left, top), cut to the frame. Style 1 mixes
// with opacity alpha (0..255); any other style multiplies and ignores alpha. A picture with an
// opacity of its own (pictureAlpha: one byte per pixel, rows of picture.Width, 255 opaque) is
// weighted pixel by pixel as well.
void BlendPicture(const BitmapView& frame, const BitmapView& picture, int left, int top, int alpha, int style,
                  const uint8_t* pictureAlpha = nullptr);

// One line of text with the top-left corner of its cell at (left, top), in the font's colour,
// without background, clipped to the frame. Returns false (frame untouched) when no
// QGuiApplication exists to provide fonts. An empty text draws nothing and returns true.
bool DrawWatermarkText(const BitmapView& frame, const std::string& text, const TWatermarkFont& font, int left,
                       int top);

// Reads an overlay picture: a BMP file as LoadBitmapFile does (alpha left empty), or a PNG file
// with its opacity in alpha (one byte per pixel). On failure returns false with a message in
// error.
bool LoadOverlayPicture(const std::string& path, Bitmap24& picture, std::vector<uint8_t>& alpha,
                        std::string& error);

// Reads a BMP file into a 24-bit bitmap. On failure returns false with a message in error and
// leaves picture in an unspecified state.
bool LoadBitmapFile(const std::string& path, Bitmap24& picture, std::string& error);

// Text, picture and effects steps in the order the two "process" flags select. A picture that
// cannot be loaded (or text that cannot be drawn) stops the render: the remaining steps are not
// applied, the function returns false and error (when given) says why. Callers that render on a
// copy of the decoded picture then keep the picture as decoded.
bool RenderJobEffects(const BitmapView& frame, const EffectSettings& settings, std::string* error = nullptr);

// Green (RGB 0,128,0), 2-pixel outline of the area a crop keeps; previews only. The outline lies
// inside the rectangle from (left, top) to (right, bottom), right and bottom exclusive:
// Plain:  (CropLeft, CropTop) to (W - CropRight, H - CropBottom)
// Inset:  (CropLeft + 1, CropTop + 1) to (W - CropRight - 2, H - CropBottom - 2)
enum class TCropOutline { Plain, Inset };
void DrawCropOutline(const BitmapView& frame, int cropTop, int cropLeft, int cropBottom, int cropRight,
                     TCropOutline variant = TCropOutline::Plain);

} // namespace orvel
