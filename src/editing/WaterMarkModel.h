#pragma once
// The watermark and effects dialog's state: the text with its font and place, the overlay picture
// with its place, opacity and blend style, the four colour effects and the two "process" flags.
// Settings() is what the preview draws each frame with; ApplyTo is Ok.
#include "batch/lvFilesRecord.h"
#include "editing/effects/EffectsRenderer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvel {

struct TWaterMarkView {
    std::string Title = "Watermark";
    std::string Text;
    TWatermarkFont SampleFont; // the font the text box shows the text in
    std::string FontName;
    int FontSize = 7;
    int ColorIndex = 0;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int TextHoriz = 0, TextVert = 0;
    bool TextSlidersEnabled = false;

    std::string ImagePath;
    int ImageHoriz = 0, ImageVert = 0, ImageAlpha = 0;
    bool PictureSlidersEnabled = false;
    int TransparentStyle = 1;

    int Brightness = 255, Contrast = 0, Saturation = 255, Exposure = 0;
    bool ProcessText = false, ProcessImage = false;

    std::string PTS, Length;
    bool PlayEnabled = true, PauseEnabled = true, SliderEnabled = true;
    int SliderMax = 0;
    bool ThumbShown = false;

    bool operator==(const TWaterMarkView&) const = default;
};

// The colour list's entries: name and colour as 0x00BBGGRR.
using TNamedColor = std::pair<std::string, uint32_t>;
const std::vector<TNamedColor>& StandardColors();

// The layers the user can drag on the preview.
enum class TWaterMarkLayer { None, Text, Picture };

class TWaterMarkModel {
public:
    // fontNames: the installed font families, in the order the list shows them.
    void FormShow(const TlvFilesRecord& job, std::vector<std::string> fontNames);
    void FileOpen(int64_t duration, int frameWidth, int frameHeight, int sliderWidth);
    void AfterOpen();
    void Position(int64_t position);
    void Ended();
    void Play();
    void Pause();
    int64_t SeekTarget(int sliderPosition) const;
    int64_t Duration() const { return duration_; }
    void SliderMoved(int position) { sliderPos_ = position; }
    int SliderPos() const { return sliderPos_; }

    void SetText(const std::string& text);
    void SetFontName(const std::string& name);
    void SetFontSize(int size);
    void SetColorIndex(int index);
    enum class TStyle { Bold, Italic, Underline, StrikeOut };
    void SetStyle(TStyle style, bool on);
    void SetTextHoriz(int percent);
    void SetTextVert(int percent);
    void SetImagePath(const std::string& path);
    void SetImageHoriz(int percent);
    void SetImageVert(int percent);
    void SetImageAlpha(int alpha);
    void SetTransparentStyle(int style);
    void SetBrightness(int value);
    void SetContrast(int value);
    void SetSaturation(int value);
    void SetExposure(int value);
    void SetProcessText(bool on);
    void SetProcessImage(bool on);
    void ClearText();
    void ClearImage();
    // The layer a press on the preview at (x, y), in percent of the frame, takes hold of: the
    // preferred one (the page shown) when it is there, else the one whose corner is nearer.
    TWaterMarkLayer LayerToDrag(double x, double y, TWaterMarkLayer preferred) const;
    // A layer placed by hand at percentages of the frame, as its sliders would place it.
    void PlaceLayer(TWaterMarkLayer layer, int horiz, int vert);
    void Reset();

    // The values a preview frame is drawn with, positions in pixels of the opened file's frame.
    EffectSettings Settings() const;
    void ApplyTo(TlvFilesRecord& job) const;

    const TWaterMarkView& View() const { return view_; }
    const std::vector<std::string>& FontNames() const { return fontNames_; }
    const std::vector<int>& FontSizes() const { return fontSizes_; }
    const std::vector<TNamedColor>& Colors() const { return colors_; }

private:
    uint32_t ListColor() const;
    void FollowLists(); // the sample font takes face, size and colour from the lists
    std::pair<int, int> TextPosition() const;
    std::pair<int, int> PicturePosition() const;

    std::vector<std::string> fontNames_;
    std::vector<int> fontSizes_;
    std::vector<TNamedColor> colors_;
    int frameWidth_ = 0, frameHeight_ = 0; // 0 until a file opened
    int64_t duration_ = 0;
    int sliderPos_ = 0;
    TWaterMarkView view_;
};

} // namespace orvel
