#include "auxiliary/PreferenceModel.h"

#include <utility>

#include "app/store/GlobalObject.h"

#include <algorithm>

namespace orvel {

bool& TPreferenceModel::Box(TPreferenceCheck box) {
    switch (box) {
    case TPreferenceCheck::SmallSize:
        return view_.SmallSize;
    case TPreferenceCheck::FullSize:
        return view_.FullSize;
    case TPreferenceCheck::Bmp:
        return view_.Bmp;
    case TPreferenceCheck::Jpg:
        break;
    }
    return view_.Jpg;
}

void TPreferenceModel::SetChecked(TPreferenceCheck box, bool checked) {
    bool& state = Box(box);
    if (state == checked) return;
    state = checked;
    Click(box);
}

// Each rule runs after its box changed: one size and one format stay checked.
void TPreferenceModel::Click(TPreferenceCheck box) {
    switch (box) {
    case TPreferenceCheck::FullSize:
        if (!view_.SmallSize) SetChecked(TPreferenceCheck::FullSize, true);
        break;
    case TPreferenceCheck::SmallSize:
        if (!view_.FullSize) SetChecked(TPreferenceCheck::SmallSize, true);
        break;
    case TPreferenceCheck::Bmp:
        if (!view_.Jpg) SetChecked(TPreferenceCheck::Bmp, true);
        break;
    case TPreferenceCheck::Jpg:
        if (!view_.Bmp) SetChecked(TPreferenceCheck::Jpg, true);
        view_.QualityEnabled = view_.Jpg;
        break;
    }
}

void TPreferenceModel::SetQuality(int value) {
    const int quality = std::clamp(value, kJpgQualityMin, kJpgQualityMax);
    view_.SpinQuality = quality;
    view_.TrackQuality = quality;
}

namespace {
bool IsQuality(int value) {
    return value >= kJpgQualityMin && value <= kJpgQualityMax;
}
} // namespace

void TPreferenceModel::trcCmpChange(int position) {
    view_.TrackQuality = position;
    if (IsQuality(position)) view_.SpinQuality = position;
}

void TPreferenceModel::spedCmpChange(int value) {
    view_.SpinQuality = value;
    if (IsQuality(value)) view_.TrackQuality = value;
}

void TPreferenceModel::SetPriority(int item) {
    view_.Priority = item >= 0 && item < kPriorityItemCount ? item : -1;
}

void TPreferenceModel::FormShow() {
    view_.SnapDirectory = settings_.SnapOutPutDir();
    // Every showing starts from the file, so a tick the user cancelled last time does not come
    // back. The ticks go first: where the file has neither box of a pair, the rule that keeps one
    // of them checked keeps the one that was.
    const std::pair<TPreferenceCheck, int> stored[] = {
        {TPreferenceCheck::FullSize, settings_.SnapFullSizeValue()},
        {TPreferenceCheck::SmallSize, settings_.SnapSmallSizeValue()},
        {TPreferenceCheck::Bmp, settings_.SnapBmpValue()},
        {TPreferenceCheck::Jpg, settings_.SnapJpgValue()},
    };
    for (const auto& [box, value] : stored)
        if (value == 1) SetChecked(box, true);
    for (const auto& [box, value] : stored)
        if (value != 1) SetChecked(box, false);
    view_.QualityEnabled = settings_.SnapJpgValue() == 1;
    SetQuality(settings_.JpgCmp());
    SetPriority(settings_.Priority());
}

void TPreferenceModel::btnDefaultClick() {
    view_.SnapDirectory = DefaultKestruneDir();
    SetChecked(TPreferenceCheck::Bmp, true);
    SetChecked(TPreferenceCheck::Jpg, false);
    SetChecked(TPreferenceCheck::FullSize, true);
    SetChecked(TPreferenceCheck::SmallSize, false);
    SetPriority(1);
    SetQuality(kDefaultButtonJpgQuality);
}

bool TPreferenceModel::btnOkClick() {
    const std::string folder = view_.SnapDirectory.empty() ? DefaultKestruneDir() : view_.SnapDirectory;
    // The first failed write stops the rest; the window reports it.
    return settings_.SetSnapOutPutDir(folder) && settings_.SetSnapBmp(view_.Bmp) &&
           settings_.SetSnapJpg(view_.Jpg) && settings_.SetSnapFullSize(view_.FullSize) &&
           settings_.SetSnapSmallSize(view_.SmallSize) &&
           (view_.SpinQuality <= 0 || settings_.SetJpgCmp(view_.SpinQuality)) &&
           settings_.SetPriority(view_.Priority);
}

bool TPreferenceModel::btnBrowsClick(const std::optional<std::string>& chosen) {
    if (!chosen || chosen->empty() || *chosen == view_.SnapDirectory) return true;
    if (!settings_.SetSnapOutPutDir(*chosen)) return false;
    view_.SnapDirectory = *chosen;
    return true;
}

std::optional<std::string> TPreferenceModel::btnOpenClick() const {
    // The stored folder is opened, not the edit's text (they differ after Default).
    const std::string stored = settings_.SnapOutPutDir();
    if (view_.SnapDirectory.size() <= 2) return std::nullopt;
    return stored;
}

} // namespace orvel
