#include "editing/WaterMarkModel.h"

#include "editing/PreviewSeek.h"
#include "editing/TimeTexts.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace orvel {

namespace {

int Clamp(int v, int lo, int hi) {
    return std::clamp(v, lo, hi);
}

// The place of a layer at a percentage of the frame, cut toward zero.
int AtPercent(int frameSize, int percent) {
    return static_cast<int>(frameSize * (percent / 100.0));
}

} // namespace

const std::vector<TNamedColor>& StandardColors() {
    static const std::vector<TNamedColor> colors{
        {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
        {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
        {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
        {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF}};
    return colors;
}

void TWaterMarkModel::FormShow(const TlvFilesRecord& job, std::vector<std::string> fontNames) {
    view_ = {};
    frameWidth_ = frameHeight_ = 0;
    duration_ = 0;
    sliderPos_ = 0;
    fontNames_ = std::move(fontNames);
    fontSizes_.clear();
    for (int size = 7; size <= 70; ++size)
        fontSizes_.push_back(size);
    colors_ = StandardColors();

    view_.TextHoriz = Clamp(job.TextHorzPos, 0, 100);
    view_.TextVert = Clamp(job.TextVertPos, 0, 100);
    view_.ImageHoriz = Clamp(job.ImageHorzPos, 0, 100);
    view_.ImageVert = Clamp(job.ImageVertPos, 0, 100);
    view_.ImageAlpha = Clamp(job.ImageAlpha, 0, 255);
    view_.TransparentStyle = job.TransparentStyle == 1 ? 1 : 2;
    view_.Brightness = Clamp(job.Brightness, 0, 512);
    view_.Contrast = Clamp(job.Contrast, -100, 100);
    view_.Saturation = Clamp(job.Saturation, 0, 512);
    view_.Exposure = Clamp(job.Exposure, -255, 512);
    view_.ProcessText = job.ProcessText;
    view_.ProcessImage = job.ProcessImage;

    if (!job.WatermarkText.empty()) {
        const TWatermarkFont& font = job.WatermarkFont;
        view_.Text = job.WatermarkText;
        // A face, size or colour the lists lack is added to them, so Ok keeps it.
        if (std::find(fontNames_.begin(), fontNames_.end(), font.Name) == fontNames_.end())
            fontNames_.push_back(font.Name);
        if (std::find(fontSizes_.begin(), fontSizes_.end(), font.Size) == fontSizes_.end() && font.Size > 0)
            fontSizes_.push_back(font.Size);
        const auto color = std::find_if(colors_.begin(), colors_.end(),
                                        [&](const TNamedColor& c) { return c.second == font.Color; });
        if (color == colors_.end()) colors_.push_back({"Custom", font.Color});
        view_.FontName = font.Name;
        view_.FontSize = font.Size > 0 ? font.Size : 7;
        view_.ColorIndex =
            static_cast<int>(std::find_if(colors_.begin(), colors_.end(),
                                          [&](const TNamedColor& c) { return c.second == font.Color; }) -
                             colors_.begin());
        view_.Bold = font.Bold;
        view_.Italic = font.Italic;
        view_.Underline = font.Underline;
        view_.StrikeOut = font.StrikeOut;
        view_.SampleFont = font;
        view_.SampleFont.Color = ListColor();
    } else {
        view_.FontName = fontNames_.empty() ? std::string() : fontNames_.front();
        view_.FontSize = fontSizes_.front();
        view_.ColorIndex = 0;
    }
    view_.ImagePath = job.WatermarkImage;
    view_.PictureSlidersEnabled = !view_.ImagePath.empty();
    SetText(view_.Text);
    view_.Title = "Water Mark  " + ShortenedSourceName(job.SourceFile, 55, 50);
}

void TWaterMarkModel::FileOpen(int64_t duration, int frameWidth, int frameHeight, int sliderWidth) {
    duration_ = std::max<int64_t>(duration, 0);
    frameWidth_ = std::max(frameWidth, 0);
    frameHeight_ = std::max(frameHeight, 0);
    view_.Length = "Duration:    " + FormatMicroseconds(duration_);
    view_.PTS = "0.0";
    view_.SliderMax = sliderWidth;
    view_.ThumbShown = duration_ > 0;
    view_.SliderEnabled = true;
    sliderPos_ = 0;
}

void TWaterMarkModel::AfterOpen() {
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
}

void TWaterMarkModel::Position(int64_t position) {
    view_.PTS = "Time:    " + FormatMicroseconds(position);
}

void TWaterMarkModel::Ended() {
    sliderPos_ = 0;
    view_.PlayEnabled = true;
    view_.PauseEnabled = false;
    view_.SliderEnabled = false;
}

void TWaterMarkModel::Play() {
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
    view_.SliderEnabled = true;
}

void TWaterMarkModel::Pause() {
    view_.PauseEnabled = false;
    view_.PlayEnabled = true;
}

int64_t TWaterMarkModel::SeekTarget(int sliderPosition) const {
    return SliderSeekPosition(sliderPosition, view_.SliderMax, duration_);
}

uint32_t TWaterMarkModel::ListColor() const {
    if (view_.ColorIndex < 0 || view_.ColorIndex >= static_cast<int>(colors_.size())) return 0;
    return colors_[view_.ColorIndex].second;
}

void TWaterMarkModel::FollowLists() {
    view_.SampleFont.Name = view_.FontName;
    view_.SampleFont.Size = view_.FontSize;
    view_.SampleFont.Color = ListColor();
}

void TWaterMarkModel::SetText(const std::string& text) {
    view_.Text = text;
    view_.TextSlidersEnabled = !text.empty();
    if (!text.empty()) FollowLists();
}

void TWaterMarkModel::SetFontName(const std::string& name) {
    view_.FontName = name;
    if (!view_.Text.empty()) view_.SampleFont.Name = name;
}

void TWaterMarkModel::SetFontSize(int size) {
    view_.FontSize = size > 0 ? size : 7;
    if (!view_.Text.empty()) view_.SampleFont.Size = view_.FontSize;
}

void TWaterMarkModel::SetColorIndex(int index) {
    view_.ColorIndex = index;
    if (!view_.Text.empty()) view_.SampleFont.Color = ListColor();
}

void TWaterMarkModel::SetStyle(TStyle style, bool on) {
    // Each style's check box and the sample font change together; in TStyle's order.
    static constexpr std::pair<bool TWaterMarkView::*, bool TWatermarkFont::*> kStyles[] = {
        {&TWaterMarkView::Bold, &TWatermarkFont::Bold},
        {&TWaterMarkView::Italic, &TWatermarkFont::Italic},
        {&TWaterMarkView::Underline, &TWatermarkFont::Underline},
        {&TWaterMarkView::StrikeOut, &TWatermarkFont::StrikeOut}};
    const auto index = static_cast<size_t>(style);
    if (index >= std::size(kStyles)) return;
    const auto [box, font] = kStyles[index];
    view_.*box = view_.SampleFont.*font = on;
}

// Positions belong to a layer that is there: the sliders of an absent one do not move.
void TWaterMarkModel::SetTextHoriz(int percent) {
    if (view_.TextSlidersEnabled) view_.TextHoriz = Clamp(percent, 0, 100);
}
void TWaterMarkModel::SetTextVert(int percent) {
    if (view_.TextSlidersEnabled) view_.TextVert = Clamp(percent, 0, 100);
}
void TWaterMarkModel::SetImagePath(const std::string& path) {
    view_.ImagePath = path;
    view_.PictureSlidersEnabled = !path.empty();
}
void TWaterMarkModel::SetImageHoriz(int percent) {
    if (view_.PictureSlidersEnabled) view_.ImageHoriz = Clamp(percent, 0, 100);
}
void TWaterMarkModel::SetImageVert(int percent) {
    if (view_.PictureSlidersEnabled) view_.ImageVert = Clamp(percent, 0, 100);
}
void TWaterMarkModel::SetImageAlpha(int alpha) {
    if (view_.PictureSlidersEnabled) view_.ImageAlpha = Clamp(alpha, 0, 255);
}
void TWaterMarkModel::SetTransparentStyle(int style) {
    view_.TransparentStyle = style == 1 ? 1 : 2;
}
void TWaterMarkModel::SetBrightness(int value) {
    view_.Brightness = Clamp(value, 0, 512);
}
void TWaterMarkModel::SetContrast(int value) {
    view_.Contrast = Clamp(value, -100, 100);
}
void TWaterMarkModel::SetSaturation(int value) {
    view_.Saturation = Clamp(value, 0, 512);
}
void TWaterMarkModel::SetExposure(int value) {
    view_.Exposure = Clamp(value, -255, 512);
}
void TWaterMarkModel::SetProcessText(bool on) {
    view_.ProcessText = on;
}
void TWaterMarkModel::SetProcessImage(bool on) {
    view_.ProcessImage = on;
}

void TWaterMarkModel::ClearText() {
    SetText({});
    view_.TextHoriz = view_.TextVert = 0;
}

void TWaterMarkModel::ClearImage() {
    SetImagePath({});
    view_.ImageHoriz = view_.ImageVert = 0;
    view_.ImageAlpha = 125;
}

TWaterMarkLayer TWaterMarkModel::LayerToDrag(double x, double y, TWaterMarkLayer preferred) const {
    const bool text = !view_.Text.empty(), picture = !view_.ImagePath.empty();
    if ((preferred == TWaterMarkLayer::Text && text) || (preferred == TWaterMarkLayer::Picture && picture))
        return preferred;
    if (text && picture) {
        const auto distance = [&](int h, int v) { return std::hypot(x - h, y - v); };
        return distance(view_.TextHoriz, view_.TextVert) <= distance(view_.ImageHoriz, view_.ImageVert)
                   ? TWaterMarkLayer::Text
                   : TWaterMarkLayer::Picture;
    }
    return text ? TWaterMarkLayer::Text : picture ? TWaterMarkLayer::Picture : TWaterMarkLayer::None;
}

void TWaterMarkModel::PlaceLayer(TWaterMarkLayer layer, int horiz, int vert) {
    if (layer == TWaterMarkLayer::Text) {
        SetTextHoriz(horiz);
        SetTextVert(vert);
    } else if (layer == TWaterMarkLayer::Picture) {
        SetImageHoriz(horiz);
        SetImageVert(vert);
    }
}

void TWaterMarkModel::Reset() {
    view_.Brightness = 255;
    view_.Contrast = 0;
    view_.Saturation = 255;
    view_.Exposure = 0;
    view_.ProcessText = view_.ProcessImage = false;
}

std::pair<int, int> TWaterMarkModel::TextPosition() const {
    if (view_.Text.empty()) return {0, 0};
    return {AtPercent(frameWidth_, view_.TextHoriz), AtPercent(frameHeight_, view_.TextVert)};
}

std::pair<int, int> TWaterMarkModel::PicturePosition() const {
    return {AtPercent(frameWidth_, view_.ImageHoriz), AtPercent(frameHeight_, view_.ImageVert)};
}

EffectSettings TWaterMarkModel::Settings() const {
    EffectSettings s;
    s.Brightness = view_.Brightness;
    s.Contrast = view_.Contrast;
    s.Saturation = view_.Saturation;
    s.Exposure = view_.Exposure;
    s.WatermarkText = view_.Text;
    s.WatermarkFont = view_.SampleFont;
    s.WatermarkFont.Color = ListColor();
    std::tie(s.TextLeft, s.TextTop) = TextPosition();
    s.WatermarkImage = view_.ImagePath;
    std::tie(s.ImageLeft, s.ImageTop) = PicturePosition();
    s.ImageAlpha = view_.ImageAlpha;
    s.TransparentStyle = view_.TransparentStyle;
    s.ProcessText = view_.ProcessText;
    s.ProcessImage = view_.ProcessImage;
    return s;
}

void TWaterMarkModel::ApplyTo(TlvFilesRecord& job) const {
    const EffectSettings s = Settings();
    job.WatermarkText = s.WatermarkText;
    job.WatermarkFont = s.WatermarkFont;
    // Pixel places need the frame's size: without a picture opened, the job keeps the places it
    // had (pixels and percentages together), rather than pixels of 0 beside the sliders' percents.
    if (frameWidth_ > 0 && frameHeight_ > 0) {
        job.TextLeft = s.TextLeft;
        job.TextTop = s.TextTop;
        job.TextHorzPos = view_.TextHoriz;
        job.TextVertPos = view_.TextVert;
        job.ImageLeft = s.ImageLeft;
        job.ImageTop = s.ImageTop;
        job.ImageHorzPos = view_.ImageHoriz;
        job.ImageVertPos = view_.ImageVert;
    }
    job.WatermarkImage = s.WatermarkImage;
    job.ImageAlpha = s.ImageAlpha;
    job.TransparentStyle = s.TransparentStyle;
    job.Brightness = s.Brightness;
    job.Contrast = s.Contrast;
    job.Saturation = s.Saturation;
    job.Exposure = s.Exposure;
    job.ProcessText = s.ProcessText;
    job.ProcessImage = s.ProcessImage;
}

} // namespace orvel
