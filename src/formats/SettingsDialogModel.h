#pragma once
// The settings dialog's state: a format chosen in the dialog's own catalog and the ten
// parameter boxes of that format, loaded from the definition and the stored choices. Nothing
// is written until Ok, which writes the whole section of the chosen format, the catalog's
// collapsed states and the current format; Cancel and the close box write nothing.
#include "app/MessageBoxes.h"
#include "formats/FormatParams.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace orvel {

inline constexpr int kSettingsWidth = 475;
inline constexpr int kSettingsHeight = 370;

// The boxes in the order of the window.
enum class TSettingsBox {
    VideoSize,
    VideoBitRate,
    VideoEncoder,
    FrameRate,
    Zoom,
    SampleRate,
    AudioBitRate,
    AudioEncoder,
    Channel,
    Volume,
};
inline constexpr int kSettingsBoxCount = 10;

struct TSettingsBoxView {
    std::vector<std::string> Items;
    int ItemIndex = -1;
    std::string Text; // the edit field, or the chosen item's text
    bool Enabled = true;
    bool Grey = false; // text in the system's grey instead of black
    bool operator==(const TSettingsBoxView&) const = default;
};

struct TSettingsDialogView {
    std::string CurrentCode;
    std::string CurrentName;
    std::array<TSettingsBoxView, kSettingsBoxCount> Boxes;
    const TSettingsBoxView& operator[](TSettingsBox b) const { return Boxes[static_cast<size_t>(b)]; }
    TSettingsBoxView& operator[](TSettingsBox b) { return Boxes[static_cast<size_t>(b)]; }
    bool operator==(const TSettingsDialogView&) const = default;
};

// The zoom box's items; the dialog never changes them.
inline const std::vector<std::string> kSettingsZoomItems = {"Full screen", "Letterbox", "Pan and Scan"};

struct TSettingsKeyAnswer {
    bool Accepted = true;
    bool Beep = false; // a refused key sounds the system's warning
};

class TSettingsDialogModel {
public:
    TSettingsDialogModel(TFormatParamStore& store, IMessageBoxes& boxes);

    // The stored current format and its boxes; a negative stored index shows the stored typed
    // value of the size, rates and bit rates.
    void FormShow();
    // A format chosen in the dialog's catalog: its boxes from the stored indices only.
    void FormatChosen(const std::string& code, const std::string& name);
    // The definition's default items; nothing is written.
    void btnDefaultClick();

    // A key typed into an editable box, before it reaches the text.
    TSettingsKeyAnswer KeyPress(TSettingsBox box, char key);
    // The box's text typed by the user, or an item chosen from its list.
    void TextChanged(TSettingsBox box, const std::string& text);
    void ItemChosen(TSettingsBox box, int index);
    // Leaving a box: checks its value, corrects or replaces it after telling the user. True when
    // the focus must go back to the box.
    bool BoxExit(TSettingsBox box);

    // The keys Ok writes into the chosen format's section, in order.
    std::vector<std::pair<std::string, std::string>> SectionWrites() const;
    // Writes the section, then lets saveCatalogState write the catalog's states, then the
    // current format. False when the settings file could not be written.
    bool btnOkClick(const std::function<void()>& saveCatalogState);

    int CurrentCodeValue() const;
    const std::string& SettingsPath() const { return store_.SettingsIniPath(); }
    const TSettingsDialogView& View() const { return view_; }

private:
    void Load(bool typedValues);
    TSettingsBoxView& Box(TSettingsBox b) { return view_[b]; }
    void Select(TSettingsBox box, int index);
    void SetText(TSettingsBox box, const std::string& text);
    void Refuse(TSettingsBox box, const std::string& message);
    bool FrameSizeExit();

    TFormatParamStore& store_;
    IMessageBoxes& boxes_;
    TSettingsDialogView view_;
};

// The parameter behind a box; the zoom box has none.
bool HasFormatParam(TSettingsBox box);
TFormatParam FormatParamOf(TSettingsBox box);
bool IsEditableBox(TSettingsBox box);

} // namespace orvel
