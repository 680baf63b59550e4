#pragma once
// The drop-down format panel: a name box showing the current format and, below or above it, the
// catalog list that opens on a click, expands and collapses its categories and chooses an entry.
// The same panel serves the main window (it stores a choice at once, its list grows upward from
// a fixed bottom edge) and the settings dialog (a choice stays in the dialog, the list drops down).
#include "formats/FormatListModel.h"

#include <memory>
#include <string>
#include <vector>

namespace orvel {

struct TCatalogPanelOptions {
    bool StoresChoice = true;  // a chosen entry is written as "FormatName"/"FormatCode"
    int MaxOpenedHeight = 386; // cap of the opened list's height
    bool DropsDown = false;    // the list opens below the name box instead of growing upward
    // The main window's opening: the arrow and a double-click also put the stored name in the
    // box, and a click moves the pointer onto the current format's row.
    bool MainOpening = true;
    static TCatalogPanelOptions MainWindow() { return {}; }
    static TCatalogPanelOptions SettingsDialog() { return {false, 247, true, false}; }
};

struct TCatalogRowView {
    std::string Text;
    bool IsCategory = false;
    bool Collapsed = false;
    int Code = 0;
    bool operator==(const TCatalogRowView&) const = default;
};

struct TCatalogPanelView {
    std::string EditText;
    bool ListVisible = false;
    int ListHeight = 0;
    int ListTop = 0; // in the coordinates of the name box's top (DropsUp) or bottom (DropsDown)
    int SelectedRow = -1;
    std::vector<TCatalogRowView> Rows;
    bool operator==(const TCatalogPanelView&) const = default;
};

class TCatalogPanelModel {
public:
    // Over a list the caller keeps (the main window's catalog), or over a list of its own
    // (the settings dialog's).
    TCatalogPanelModel(TFormatListModel& list, std::string settingsPath, TCatalogPanelOptions options);
    TCatalogPanelModel(std::string settingsPath, TCatalogPanelOptions options);

    // Rebuilds the list from the catalog and the stored states, hides it, and shows the stored
    // current format in the name box.
    void Fill();
    // Saves every category's collapsed state.
    void SaveState() const;

    // The name box's edges in the coordinates the list is placed in.
    void SetEditEdges(int top, int bottom);

    // Open or close the list. The single click answers the row to move the pointer onto, or -1.
    int edt1Click();
    void edt1DblClick();
    void imgbtn1Click();
    // Closing without a choice: the application lost the focus, or a press elsewhere.
    void HideList();

    void lst1MouseDown(int row, int x);
    void lst1DblClick(int row);
    void lst1MouseMove(int row);

    // The dialog's current format, which it keeps apart from the stored one until its Ok.
    void SetCurrent(const std::string& code, const std::string& name);
    int CurrentCode() const { return list_.CurrentCodeValue(); }
    const std::string& CurrentCodeText() const { return list_.CurrentCode(); }
    const std::string& CurrentName() const { return list_.CurrentName(); }

    const TCatalogPanelView& View();
    const TFormatListModel& List() const { return list_; }

private:
    bool Toggle(bool resize);
    void SizeFilled();
    void SizeOpened();
    std::string NameForOpening() const;

    std::string settingsPath_;
    TCatalogPanelOptions options_;
    std::unique_ptr<TFormatListModel> ownList_;
    TFormatListModel& list_;
    TCatalogPanelView view_;
    int editTop_ = 0;
    int editBottom_ = 0;
};

} // namespace orvel
