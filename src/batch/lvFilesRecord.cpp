#include "batch/lvFilesRecord.h"

#include "editing/effects/EffectsRenderer.h"

#include <limits>

namespace orvel {

EffectSettings TlvFilesRecord::Effects() const {
    EffectSettings s;
    s.Brightness = Brightness;
    s.Contrast = Contrast;
    s.Saturation = Saturation;
    s.Exposure = Exposure;
    s.WatermarkText = WatermarkText;
    s.WatermarkFont = WatermarkFont;
    s.TextLeft = TextLeft;
    s.TextTop = TextTop;
    s.WatermarkImage = WatermarkImage;
    s.ImageLeft = ImageLeft;
    s.ImageTop = ImageTop;
    s.ImageAlpha = ImageAlpha;
    s.TransparentStyle = TransparentStyle;
    s.ProcessText = ProcessText;
    s.ProcessImage = ProcessImage;
    return s;
}

int DurationSecFromMicroseconds(int64_t durationUs) {
    if (durationUs <= 0) return 0;
    const int64_t seconds = durationUs / 1000000;
    return seconds > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                     : static_cast<int>(seconds);
}

TlvFilesRecord NewFilesRecord(int addIndex, const std::string& sourceFile, const std::string& destFile,
                              int64_t durationUs, const std::string& zoomMode) {
    TlvFilesRecord record;
    record.AddIndex = addIndex;
    record.SourceFile = sourceFile;
    record.DestFile = destFile;
    record.DurationSec = DurationSecFromMicroseconds(durationUs);
    record.DurationUs = durationUs > 0 ? durationUs : 0;
    record.ZoomMode = zoomMode;
    return record;
}

void TTaskItems::Build(const std::vector<bool>& rowChecked) {
    rows_.clear();
    for (std::size_t row = 0; row < rowChecked.size(); ++row)
        if (rowChecked[row]) rows_.push_back(static_cast<int>(row));
}

int TTaskItems::RowOf(int taskIndex) const {
    return taskIndex >= 0 && taskIndex < Count() ? rows_[static_cast<std::size_t>(taskIndex)] : -1;
}

} // namespace orvel
