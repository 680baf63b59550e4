#include "formats/CatalogPanelModel.h"

#include "app/store/AppSettings.h"
#include "app/store/IniFile.h"

namespace orvel {

TCatalogPanelModel::TCatalogPanelModel(TFormatListModel& list, std::string settingsPath,
                                       TCatalogPanelOptions options)
    : settingsPath_(std::move(settingsPath)), options_(options), list_(list) {}

TCatalogPanelModel::TCatalogPanelModel(std::string settingsPath, TCatalogPanelOptions options)
    : settingsPath_(settingsPath), options_(options),
      ownList_(std::make_unique<TFormatListModel>(settingsPath, options.StoresChoice)), list_(*ownList_) {}

void TCatalogPanelModel::SetEditEdges(int top, int bottom) {
    editTop_ = top;
    editBottom_ = bottom;
}

void TCatalogPanelModel::Fill() {
    list_.Fill();
    view_.ListVisible = false;
    SizeFilled();
    view_.EditText = list_.CurrentName();
}

void TCatalogPanelModel::SaveState() const {
    list_.SaveState();
}

void TCatalogPanelModel::SizeFilled() {
    view_.ListHeight = FilledListHeight(list_.RowCount());
    view_.ListTop = options_.DropsDown ? editBottom_ - 1 : FilledListTop(editTop_, view_.ListHeight);
}

void TCatalogPanelModel::SizeOpened() {
    view_.ListHeight = CappedListHeight(list_.RowCount(), options_.MaxOpenedHeight);
    view_.ListTop = options_.DropsDown ? editBottom_ - 1 : OpenedListTop(editTop_, view_.ListHeight);
}

std::string TCatalogPanelModel::NameForOpening() const {
    if (!options_.StoresChoice) return list_.CurrentName();
    return StoredFormatName(settingsPath_);
}

bool TCatalogPanelModel::Toggle(bool resize) {
    if (view_.ListVisible) {
        view_.ListVisible = false;
        return false;
    }
    list_.SelectRowOfName(NameForOpening());
    view_.ListVisible = true;
    if (resize) SizeOpened();
    return true;
}

int TCatalogPanelModel::edt1Click() {
    if (!Toggle(true)) return -1;
    return options_.MainOpening ? list_.SelectedRow() : -1;
}

void TCatalogPanelModel::edt1DblClick() {
    const bool opened = Toggle(false);
    if (opened && options_.MainOpening) view_.EditText = NameForOpening();
}

void TCatalogPanelModel::imgbtn1Click() {
    if (Toggle(true) && options_.MainOpening) view_.EditText = NameForOpening();
}

void TCatalogPanelModel::HideList() {
    view_.ListVisible = false;
}

void TCatalogPanelModel::lst1MouseDown(int row, int x) {
    if (list_.MousePress(row, x) != TPressResult::Selected) return;
    view_.EditText = list_.CurrentName();
    view_.ListVisible = false;
}

void TCatalogPanelModel::lst1DblClick(int row) {
    list_.DoubleClick(row);
}

void TCatalogPanelModel::lst1MouseMove(int row) {
    list_.SetSelectedRow(row);
}

void TCatalogPanelModel::SetCurrent(const std::string& code, const std::string& name) {
    list_.SetCurrent(code, name);
    view_.EditText = name;
}

const TCatalogPanelView& TCatalogPanelModel::View() {
    view_.SelectedRow = list_.SelectedRow();
    view_.Rows.clear();
    view_.Rows.reserve(list_.Rows().size());
    for (const TFormatRow& r : list_.Rows())
        view_.Rows.push_back({r.Text, r.Info.IsCategory, r.Info.Collapsed, r.Info.Code});
    return view_;
}

} // namespace orvel
