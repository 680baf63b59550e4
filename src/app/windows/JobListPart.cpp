#include "app/windows/JobListPart.h"

#include "app/AddFileFilters.h"
#include "app/AppSettings.h"
#include "engine/FFmpegConverter.h"
#include "ui/JobRowDelegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace orvel {
namespace {

std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}

} // namespace

TJobListPart::TJobListPart(QTreeWidget* lvFiles, TCustomFFmpegConverter& converter,
                           TFormatParamStore& formats, std::string settingsPath, IMessageBoxes& boxes,
                           std::string defaultDir, std::string libraryFolder)
    : QObject(lvFiles), lvFiles_(lvFiles), converter_(converter), formats_(formats),
      settingsPath_(std::move(settingsPath)), boxes_(boxes), defaultDir_(std::move(defaultDir)),
      libraryFolder_(std::move(libraryFolder)) {
    lvFiles_->setItemDelegate(new TJobRowDelegate(lvFiles_));
    lvFiles_->setAlternatingRowColors(false); // the rows draw their own stripes
    lvFiles_->setUniformRowHeights(true);
    lvFiles_->setAcceptDrops(true);
    lvFiles_->viewport()->setAcceptDrops(true);
    lvFiles_->setDragDropMode(QAbstractItemView::DropOnly);
    lvFiles_->viewport()->installEventFilter(this);
    lvFiles_->installEventFilter(this);
}

TJobListPart::~TJobListPart() = default;

int TJobListPart::RowCount() const {
    return lvFiles_->topLevelItemCount();
}

int TJobListPart::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lvFiles_->selectedItems();
    return selected.isEmpty() ? -1 : lvFiles_->indexOfTopLevelItem(selected.front());
}

QStringList TJobListPart::RowTexts(int row) const {
    QStringList texts;
    if (const QTreeWidgetItem* item = lvFiles_->topLevelItem(row))
        for (int c = 0; c < kJobListColumnCount; ++c)
            texts << item->text(c);
    return texts;
}

bool TJobListPart::JobChecked(int row) const {
    const QTreeWidgetItem* item = lvFiles_->topLevelItem(row);
    return item && item->checkState(0) == Qt::Checked;
}

bool TJobListPart::IsListed(const std::string& path) const {
    const QString caption = QString::fromStdString(path);
    for (int i = 0; i < RowCount(); ++i)
        if (lvFiles_->topLevelItem(i)->text(0) == caption) return true; // exact, with case
    return false;
}

bool TJobListPart::btnAddClick() {
    if (!dialog_ || !converter_.LoadLibraries(libraryFolder_)) return false;
    TOpenFileRequest request;
    request.Filters = AddFileFilters();
    request.MultiSelect = true;
    const std::vector<std::string> files = dialog_->OpenFiles(request);
    if (files.empty()) return false;
    TAppSettings settings(settingsPath_);
    TJobAdder adder(converter_, formats_, settings, boxes_, defaultDir_);
    AppendJobs(adder.Probe(files, [this](const std::string& p) { return IsListed(p); }));
    return true;
}

void TJobListPart::AddFiles(const std::vector<std::string>& files) {
    if (files.empty() || !converter_.LoadLibraries(libraryFolder_)) return;
    TAppSettings settings(settingsPath_);
    TJobAdder adder(converter_, formats_, settings, boxes_, defaultDir_);
    AppendJobs(adder.Probe(ExpandFolders(files), [this](const std::string& p) { return IsListed(p); }));
}

std::vector<std::string> TJobListPart::ExpandFolders(const std::vector<std::string>& paths) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            out.push_back(path);
            continue;
        }
        std::vector<std::string> inside;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && IsSupportedMediaName(it->path().filename().string()))
                inside.push_back(it->path().string());
        std::sort(inside.begin(), inside.end());
        out.insert(out.end(), inside.begin(), inside.end());
    }
    return out;
}

void TJobListPart::AppendJobs(std::vector<TAddedJob> jobs) {
    if (jobs.empty()) return;
    for (TAddedJob& job : jobs) {
        auto* item = new QTreeWidgetItem(lvFiles_);
        item->setText(0, QString::fromStdString(job.Source));
        item->setText(1, QString::number(job.LengthSec));
        item->setText(2, QString::number(job.LengthSec));
        item->setText(3, QString::fromStdString(job.DestName));
        item->setText(4, QString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        records_.push_back(std::make_unique<TlvFilesRecord>(std::move(job.Record)));
        if (RowCount() == 1) SetUpColumns();
    }
    SelectRow(0);
    lvFiles_->viewport()->update();
    emit JobsAdded();
}

void TJobListPart::SetUpColumns() {
    lvFiles_->setColumnCount(kJobListColumnCount);
    lvFiles_->setHeaderLabels({"Source", "Length", "Trimmed Length", "Destination File", "Progress"});
    const int widths[] = {140, 65, 90, 120, 60};
    for (int i = 0; i < kJobListColumnCount; ++i)
        lvFiles_->setColumnWidth(i, widths[i]);
}

void TJobListPart::SelectRow(int row) {
    QTreeWidgetItem* item = lvFiles_->topLevelItem(row);
    if (!item) return;
    lvFiles_->setCurrentItem(item);
    item->setSelected(true);
}

void TJobListPart::btnRemoveClick() {
    const int i = SelectedRow();
    if (i < 0) return;
    delete lvFiles_->takeTopLevelItem(i);
    records_.erase(records_.begin() + i);
    const int n = RowCount();
    if (n > 0)
        SelectRow(i < n ? i : n - 1);
    else
        emit ListEmptied();
    lvFiles_->viewport()->update();
}

void TJobListPart::btnClearClick() {
    if (RowCount() == 0) return;
    converter_.ClearTasks();
    lvFiles_->clear();
    records_.clear();
    emit ListEmptied();
}

void TJobListPart::CheckAll(bool checked) {
    for (int i = 0; i < RowCount(); ++i)
        lvFiles_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TJobListPart::ReverseCheck() {
    for (int i = 0; i < RowCount(); ++i) {
        QTreeWidgetItem* item = lvFiles_->topLevelItem(i);
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void TJobListPart::CheckSelected(bool checked) {
    if (QTreeWidgetItem* item = lvFiles_->topLevelItem(SelectedRow()))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool TJobListPart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvFiles_->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (LocalFiles(drag->mimeData()).empty()) return false;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> files = LocalFiles(drop->mimeData());
            if (files.empty()) return false;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            AddFiles(files);
            return true;
        }
    }
    if (watched == lvFiles_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        btnRemoveClick();
        return true;
    }
    return false;
}

} // namespace orvel
