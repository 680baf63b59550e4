#pragma once
// Rows of the drop-down format list: category headers that collapse and expand, and entries that
// choose the current output format. The list window only draws these rows and forwards presses,
// double-clicks and pointer moves here.
#include "formats/FormatCatalog.h"

#include <functional>
#include <string>
#include <vector>

namespace orvel {

struct TItemInfo {
    bool IsEntry = false;
    bool IsCategory = false;
    std::string CategoryName; // header rows only
    bool Collapsed = false;   // header rows only
    int Code = 0;             // header: category index; entry: format code
};

struct TFormatRow {
    std::string Text; // what the row shows: the category or the entry name
    TItemInfo Info;
};

enum class TPressResult { Nothing, Toggled, Selected };

class TFormatListModel {
public:
    static constexpr int kRowHeight = 20;
    static constexpr int kToggleZone = 20; // a press left of this x on a header toggles it

    // The main window's list writes a chosen entry to the settings at once; the settings
    // dialog's list (persistSelection false) only changes its own current format.
    explicit TFormatListModel(std::string settingsPath, bool persistSelection = true);

    // Rebuilds the table and the rows with the stored collapsed states, then takes the current
    // format from the settings and selects its row when it is shown.
    void Fill();
    // Writes every header's collapsed state to the list-state section.
    void SaveState() const;

    const std::vector<TFormatRow>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const TFormatNameTable& Table() const { return table_; }

    int SelectedRow() const { return selected_; }
    void SetSelectedRow(int row); // hot tracking; anything outside the rows clears the selection
    // The row whose text equals the trimmed name, or -1.
    int FindRow(const std::string& name) const;
    // Selects the row of the name (or none) and returns it.
    int SelectRowOfName(const std::string& name);

    const std::string& CurrentCode() const { return currentCode_; }
    const std::string& CurrentName() const { return currentName_; }
    int CurrentCodeValue() const; // the code as a number; text that is no number gives 1
    void SetCurrent(const std::string& code, const std::string& name);

    // Expands a collapsed header or collapses an expanded one; false for entry rows.
    bool Toggle(int row);
    // Makes the entry the current format; false for header rows.
    bool SelectEntry(int row);

    // The row under a point y (relative to the list's top) when topRow is the first row shown.
    int RowAt(int y, int topRow = 0) const;
    TPressResult MousePress(int row, int x);
    TPressResult DoubleClick(int row);

    // Called after an entry was chosen, with its name: the view sets the name box's text
    // (which reloads the parameter panel) and hides the list.
    std::function<void(const std::string& name)> OnFormatChosen;

private:
    TFormatRow HeaderRow(int category, bool collapsed) const;
    size_t InsertEntries(size_t at, int category); // returns the number of rows added

    std::string settingsPath_;
    bool persistSelection_;
    TFormatNameTable table_;
    std::vector<TFormatRow> rows_;
    int selected_ = -1;
    std::string currentCode_ = kDefaultFormatCode;
    std::string currentName_ = kCatalogDefaultFormatName;
};

// The current format's name in the settings file; with none stored, the name of the stored (or
// default) code's entry.
std::string StoredFormatName(const std::string& settingsPath);

// Height and top of the list after filling: it keeps a fixed bottom edge and grows upward.
int FilledListHeight(int rows, int rowHeight = TFormatListModel::kRowHeight);
int FilledListTop(int editTop, int height);
// Height and top of the list when opened by a click on the name box or the arrow button.
int OpenedListHeight(int rows);
int OpenedListTop(int editTop, int height);
// The settings dialog's list drops down below its name box with this height.
int DialogListHeight(int rows);
// An opened list: one row more than it has, up to the cap.
int CappedListHeight(int rows, int cap);

} // namespace orvel
