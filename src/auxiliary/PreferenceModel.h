#pragma once
// The preferences window's state: the snapshot folder, sizes, file formats and JPEG quality,
// and the conversion worker's priority, loaded from section "settings" when the window shows and
// stored on Ok. The rules that keep one size and one format checked live here, so they hold
// however a box changes.
#include "app/store/AppSettings.h"

#include <optional>
#include <string>

namespace orvel {

enum class TPreferenceCheck { SmallSize, FullSize, Bmp, Jpg };

inline constexpr int kJpgQualityMin = 1;
inline constexpr int kJpgQualityMax = 100;
inline constexpr int kDefaultButtonJpgQuality = 20; // the stored default is 30 (TAppSettings)
inline constexpr int kPriorityItemCount = 4;        // "Idle", "Normal", "Lower", "Lowest"

struct TPreferenceView {
    std::string SnapDirectory;         // edtSnapDirectory
    bool SmallSize = false;            // ckSmallSize
    bool FullSize = false;             // ckFullSize
    bool Bmp = false;                  // ckBmp
    bool Jpg = false;                  // ckJpg
    bool QualityEnabled = true;        // spedCmp and trcCmp
    int SpinQuality = kJpgQualityMin;  // spedCmp
    int TrackQuality = kJpgQualityMin; // trcCmp
    int Priority = -1;                 // rdGrpPriority's item, -1 for none
    bool operator==(const TPreferenceView&) const = default;
};

class TPreferenceModel {
public:
    explicit TPreferenceModel(TAppSettings settings) : settings_(std::move(settings)) {}

    void FormShow();
    // A box's new state, set by the user or by code; a change runs that box's rule.
    void SetChecked(TPreferenceCheck box, bool checked);
    void trcCmpChange(int position);
    void spedCmpChange(int value);
    void SetPriority(int item);
    void btnDefaultClick();
    // Stores the controls' values; false when the settings file could not be written.
    bool btnOkClick();
    // The folder chooser's answer (nothing when cancelled): a new folder is stored at once.
    // False when the settings file could not be written.
    bool btnBrowsClick(const std::optional<std::string>& chosen);
    // The stored folder to open in the file browser, or nothing.
    std::optional<std::string> btnOpenClick() const;

    const TPreferenceView& View() const { return view_; }
    const std::string& SettingsPath() { return settings_.Ini().FileName(); }

private:
    bool& Box(TPreferenceCheck box);
    void Click(TPreferenceCheck box);
    void SetQuality(int value);

    TAppSettings settings_;
    TPreferenceView view_;
};

} // namespace orvel
