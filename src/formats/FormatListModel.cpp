#include "formats/FormatListModel.h"

#include "app/store/AppSettings.h"
#include "app/store/IniFile.h"

#include <charconv>

namespace orvel {
TFormatListModel::TFormatListModel(std::string settingsPath, bool persistSelection)
    : settingsPath_(std::move(settingsPath)), persistSelection_(persistSelection) {}

TFormatRow TFormatListModel::HeaderRow(int category, bool collapsed) const {
    TFormatRow row;
    row.Text = FormatCatalog()[static_cast<size_t>(category)].Name;
    row.Info.IsCategory = true;
    row.Info.CategoryName = row.Text;
    row.Info.Collapsed = collapsed;
    row.Info.Code = category;
    return row;
}

size_t TFormatListModel::InsertEntries(size_t at, int category) {
    std::vector<TFormatRow> entries;
    for (int e = 0; e < kCatalogSlots; ++e) {
        const std::string& name = table_.Name(category, e);
        if (name.empty()) continue;
        TFormatRow row;
        row.Text = name;
        row.Info.IsEntry = true;
        row.Info.Code = MakeFormatCode(category, e);
        entries.push_back(std::move(row));
    }
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), entries.begin(), entries.end());
    return entries.size();
}

void TFormatListModel::Fill() {
    const TIniFile ini(settingsPath_);
    table_.Clear();
    rows_.clear();
    selected_ = -1;
    const int categories = static_cast<int>(FormatCatalog().size());
    for (int c = 0; c < categories; ++c) {
        // Only an explicit 0 expands; anything unreadable keeps the category collapsed.
        const bool collapsed = ini.ReadInteger(kListStateSection, std::to_string(c), 1) != 0;
        rows_.push_back(HeaderRow(c, collapsed));
        table_.StoreCategory(c);
        if (!collapsed) InsertEntries(rows_.size(), c);
    }
    currentCode_ = ini.ReadString(kSettingsSection, kFormatCodeKey, kDefaultFormatCode);
    currentName_ = StoredFormatName(settingsPath_);
    SelectRowOfName(currentName_);
}

// Before any choice the jobs use the default code: the box names that code's entry, so the
// name and the selectors below it agree.
std::string StoredFormatName(const std::string& settingsPath) {
    const TIniFile ini(settingsPath);
    if (ini.ValueExists(kSettingsSection, kFormatNameKey))
        return ini.ReadString(kSettingsSection, kFormatNameKey, kCatalogDefaultFormatName);
    const int code = ini.ReadInteger(kSettingsSection, kFormatCodeKey, std::stoi(kDefaultFormatCode));
    return FormatNameOfCode(code).value_or(kCatalogDefaultFormatName);
}

void TFormatListModel::SaveState() const {
    TIniFile ini(settingsPath_);
    for (const auto& row : rows_)
        if (row.Info.IsCategory)
            ini.WriteInteger(kListStateSection, std::to_string(row.Info.Code), row.Info.Collapsed ? 1 : 0);
}

void TFormatListModel::SetSelectedRow(int row) {
    selected_ = (row >= 0 && row < RowCount()) ? row : -1;
}

int TFormatListModel::FindRow(const std::string& name) const {
    const std::string wanted = TrimFormatText(name);
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Text == wanted) return static_cast<int>(i);
    return -1;
}

int TFormatListModel::SelectRowOfName(const std::string& name) {
    selected_ = FindRow(name);
    return selected_;
}

int TFormatListModel::CurrentCodeValue() const {
    const std::string text = TrimFormatText(currentCode_);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return 1;
    return value;
}

void TFormatListModel::SetCurrent(const std::string& code, const std::string& name) {
    currentCode_ = code;
    currentName_ = name;
}

bool TFormatListModel::Toggle(int row) {
    if (row < 0 || row >= RowCount() || !rows_[static_cast<size_t>(row)].Info.IsCategory) return false;
    const size_t at = static_cast<size_t>(row) + 1;
    TItemInfo& header = rows_[static_cast<size_t>(row)].Info;
    if (header.Collapsed) {
        header.Collapsed = false;
        const size_t added = InsertEntries(at, header.Code);
        if (selected_ >= static_cast<int>(at)) // keep the same row selected
            selected_ += static_cast<int>(added);
        return true;
    }
    header.Collapsed = true;
    size_t end = at;
    while (end < rows_.size() && rows_[end].Info.IsEntry)
        ++end;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at),
                rows_.begin() + static_cast<std::ptrdiff_t>(end));
    if (selected_ >= static_cast<int>(end))
        selected_ -= static_cast<int>(end - at);
    else if (selected_ >= static_cast<int>(at))
        selected_ = -1; // its row went away
    return true;
}

bool TFormatListModel::SelectEntry(int row) {
    if (row < 0 || row >= RowCount() || !rows_[static_cast<size_t>(row)].Info.IsEntry) return false;
    const TFormatRow entry = rows_[static_cast<size_t>(row)];
    const std::string code = std::to_string(entry.Info.Code);
    if (persistSelection_) {
        TIniFile ini(settingsPath_);
        ini.WriteString(kSettingsSection, kFormatNameKey, entry.Text);
        ini.WriteString(kSettingsSection, kFormatCodeKey, code);
    }
    currentName_ = entry.Text;
    currentCode_ = code;
    selected_ = row;
    // Last, so that the panel reloads with the new code already in place.
    if (OnFormatChosen) OnFormatChosen(entry.Text);
    return true;
}

int TFormatListModel::RowAt(int y, int topRow) const {
    if (y < 0) return -1;
    const int row = topRow + y / kRowHeight;
    return row < RowCount() ? row : -1;
}

TPressResult TFormatListModel::MousePress(int row, int x) {
    if (row < 0 || row >= RowCount()) return TPressResult::Nothing;
    const TItemInfo& info = rows_[static_cast<size_t>(row)].Info;
    if (info.IsCategory)
        return (x >= 0 && x < kToggleZone && Toggle(row)) ? TPressResult::Toggled : TPressResult::Nothing;
    return SelectEntry(row) ? TPressResult::Selected : TPressResult::Nothing;
}

TPressResult TFormatListModel::DoubleClick(int row) {
    if (row < 0 || row >= RowCount() || !rows_[static_cast<size_t>(row)].Info.IsCategory)
        return TPressResult::Nothing;
    return Toggle(row) ? TPressResult::Toggled : TPressResult::Nothing;
}

int FilledListHeight(int rows, int rowHeight) {
    return rows * rowHeight < 363 ? (rows + 1) * rowHeight : 362;
}

int FilledListTop(int editTop, int height) {
    return editTop - height + 395;
}

int CappedListHeight(int rows, int cap) {
    const int h = rows * TFormatListModel::kRowHeight;
    return h > cap ? cap : h + TFormatListModel::kRowHeight;
}

int OpenedListHeight(int rows) {
    return CappedListHeight(rows, 386);
}

int OpenedListTop(int editTop, int height) {
    return editTop - height + 431;
}

int DialogListHeight(int rows) {
    return CappedListHeight(rows, 247);
}

} // namespace orvel
