#pragma once
// What one job of the job list carries besides the output format: source, trim range, zoom and
// crop, watermark and colour effects. It lives in memory only.
#include "editing/effects/LayerOrder.h"
#include "editing/effects/WatermarkFont.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

struct EffectSettings;

struct TlvFilesRecord {
    int AddIndex = 0; // position in the open-file selection that added the job
    std::string SourceFile;
    std::string DestFile;          // the add-time name; conversion names the output again
    int DurationSec = 0;           // whole seconds of the source
    int64_t DurationUs = 0;        // the source's length as probed, in microseconds
    int64_t TrimStart = 0;         // microseconds; 0 = from the beginning
    int64_t TrimLength = 0;        // microseconds; 0 = up to the end
    std::string ZoomMode = "lbox"; // "full", "lbox" or "pan"
    // Crop margins in source pixels, always even.
    int CropTop = 0;
    int CropLeft = 0;
    int CropBottom = 0;
    int CropRight = 0;
    // The crop dialog's values as entered, in its preview pixels.
    int CropUpInput = 0;
    int CropLeftInput = 0;
    int CropDownInput = 0;
    int CropRightInput = 0;
    std::string WatermarkText;
    TWatermarkFont WatermarkFont;
    int TextLeft = 0; // frame pixels
    int TextTop = 0;
    int TextHorzPos = 0; // slider positions, kept only to restore the dialog
    int TextVertPos = 0;
    std::string WatermarkImage;
    int ImageLeft = 0;
    int ImageTop = 0;
    int ImageHorzPos = 0;
    int ImageVertPos = 0;
    int ImageAlpha = 168;     // 0..255
    int TransparentStyle = 1; // 1 or 2
    // Neutral effect values: 255 for brightness and saturation, 0 for contrast and exposure.
    int Brightness = 255;
    int Contrast = 0;
    int Saturation = 255;
    int Exposure = 0;
    bool ProcessText = false;  // colour effects also act on the text
    bool ProcessImage = false; // colour effects also act on the picture
    // Whether these values change a frame is decided in one place: Effects() and the activity
    // tests of what it returns (editing/effects/EffectsRenderer.h).

    TLayerOrder Layers() const { return LayerOrder(ProcessText, ProcessImage); }
    // The values the conversion and the trim and crop previews render this job with.
    EffectSettings Effects() const;
};

// Whole seconds of a probed duration in microseconds. An unknown (negative) duration gives 0
// and a duration beyond the integer range the largest value, never a wrapped number.
int DurationSecFromMicroseconds(int64_t durationUs);

// A job as the add operation creates it; every other field keeps its neutral value.
// zoomMode is the current format's stored zoom.
TlvFilesRecord NewFilesRecord(int addIndex, const std::string& sourceFile, const std::string& destFile,
                              int64_t durationUs, const std::string& zoomMode);

// Engine task index -> job-list row, built when a conversion starts: one entry per checked
// job, in list order.
class TTaskItems {
public:
    void Build(const std::vector<bool>& rowChecked);
    void Add(int row) { rows_.push_back(row); }
    void Clear() { rows_.clear(); }
    int Count() const { return static_cast<int>(rows_.size()); }
    // -1 for an index no task has, so a late or stray event cannot reach a wrong row.
    int RowOf(int taskIndex) const;
    const std::vector<int>& Rows() const { return rows_; }

private:
    std::vector<int> rows_;
};

} // namespace orvel
