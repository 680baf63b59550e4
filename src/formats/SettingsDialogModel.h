#pragma once
// The settings dialog's state: a format chosen in the dialog's own catalog and the ten
// parameter boxes of that format, loaded from the definition and the stored choices. Nothing
// is written until Ok, which writes the whole section of the chosen format, the catalog's
// collapsed states and the current format; Cancel and the close box write nothing.
#include "app/store/MessageBoxes.h"
#include "formats/FormatParams.h"
#include "formats/ParameterPanelModel.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace orvel {

inline constexpr int kSettingsWidth = 475;
inline constexpr int kSettingsHeight = 370;

// The dialog's ten boxes are the parameter panel's selectors, shown and checked alike.
struct TSettingsDialogView {
    std::string CurrentCode;
    std::string CurrentName;
    TParameterPanelView Boxes;
    const TSelectorView& operator[](TPanelSelector b) const { return Boxes[b]; }
    TSelectorView& operator[](TPanelSelector b) { return Boxes[b]; }
    bool operator==(const TSettingsDialogView&) const = default;
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
    TKeyAnswer KeyPress(TPanelSelector box, char key);
    // The box's text typed by the user, or an item chosen from its list.
    void TextChanged(TPanelSelector box, const std::string& text);
    void ItemChosen(TPanelSelector box, int index);
    // Leaving a box: checks its value, corrects or replaces it after telling the user. True when
    // the focus must go back to the box.
    bool BoxExit(TPanelSelector box);

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
    TSelectorView& Box(TPanelSelector b) { return view_[b]; }
    void Select(TPanelSelector box, int index);
    void SetText(TPanelSelector box, const std::string& text);
    void Refuse(TPanelSelector box, const std::string& message);
    bool FrameSizeExit();

    TFormatParamStore& store_;
    IMessageBoxes& boxes_;
    TSettingsDialogView view_;
};

} // namespace orvel
