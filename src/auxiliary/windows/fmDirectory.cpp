#include "auxiliary/windows/fmDirectory.h"

#include "app/store/MessageBoxes.h"
#include "auxiliary/FolderRules.h"
#include "ui/Accessibility.h"
#include "ui/WindowGeometry.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace orvel {

TfmDirectory::TfmDirectory(IMessageBoxes& boxes, QWidget* parent, const std::string& startFolder)
    : QDialog(parent), boxes_(boxes),
      startFolder_(startFolder.empty() ? QDir::homePath().toStdString() : startFolder) {
    setObjectName("fmDirectory");
    setWindowTitle("Brows");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    IsOpticalDisc = [](const std::string& path) { return IsOnOpticalDisc(path); };

    auto* root = new QVBoxLayout(this);
    Label1 = new QLabel("Please select an output directory:", this);
    Label1->setObjectName("Label1");
    root->addWidget(Label1);

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_->setRootPath("/");
    stview_selectdir = new QTreeView(this);
    stview_selectdir->setObjectName("stview_selectdir");
    stview_selectdir->setModel(folders_);
    for (int column = 1; column < folders_->columnCount(); ++column)
        stview_selectdir->hideColumn(column);
    stview_selectdir->header()->hide();
    stview_selectdir->setSortingEnabled(true);
    stview_selectdir->sortByColumn(0, Qt::AscendingOrder);
    stview_selectdir->setSelectionMode(QAbstractItemView::SingleSelection);
    root->addWidget(stview_selectdir, 1);
    LabelControl(Label1, stview_selectdir);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton("Ok", this);
    btnOk->setObjectName("btnOk");
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnOk->setDefault(true); // Enter takes the selected folder
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    RememberWindowGeometry(*this, std::string(), QSize(kDirectoryChooserWidth, kDirectoryChooserHeight));

    connect(stview_selectdir->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { stview_selectdirClick(); });
    connect(btnOk, &QPushButton::clicked, this, &TfmDirectory::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfmDirectory::btnCancelClick);
}

// One chooser serves every window that asks, so it belongs to the asking window only while it
// shows: centred on that window and without a taskbar entry of its own, and never destroyed with it.
std::optional<std::string> TfmDirectory::ChooseFolder() {
    QWidget* asking = QApplication::activeModalWidget();
    if (!asking) asking = QApplication::activeWindow();
    const bool adopt = !parentWidget() && asking && asking != this;
    if (adopt) setParent(asking, windowFlags());
    const int answer = exec();
    if (adopt) setParent(nullptr, windowFlags());
    if (answer != QDialog::Accepted || result_.empty()) return std::nullopt;
    return result_;
}

void TfmDirectory::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfmDirectory::FormShow() {
    SelectFolder(startFolder_);
    stview_selectdirClick();
}

std::string TfmDirectory::SelectedFolder() const {
    const QModelIndex index = stview_selectdir->currentIndex();
    return index.isValid() ? folders_->filePath(index).toStdString() : std::string();
}

void TfmDirectory::SelectFolder(const std::string& path) {
    const QModelIndex index = folders_->index(QString::fromStdString(path));
    stview_selectdir->setCurrentIndex(index);
    if (index.isValid()) stview_selectdir->scrollTo(index);
}

void TfmDirectory::stview_selectdirClick() {
    const std::string folder = SelectedFolder();
    btnOk->setEnabled(!folder.empty() && !IsPseudoFileSystemFolder(folder));
}

void TfmDirectory::btnOkClick() {
    result_ = SelectedFolder();
    if (IsOpticalDisc && IsOpticalDisc(result_)) {
        result_.clear();
        boxes_.Show(kOpticalDiscRefusal, ApplicationTitle(), TMsgIcon::Information, TMsgButtons::Ok);
        return;
    }
    accept();
}

void TfmDirectory::btnCancelClick() {
    result_.clear();
    reject();
}

} // namespace orvel
