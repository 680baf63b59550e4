#include "app/windows/JobListPart.h"

#include "app/AddFileFilters.h"
#include "app/JobAdder.h"
#include "app/KeyboardShortcuts.h"
#include "app/store/AppSettings.h"
#include "engine/component/FFmpegConverter.h"
#include "ui/JobRowDelegate.h"
#include "ui/WindowGeometry.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

namespace orvel {
namespace {

// Room a header caption needs beside its text: the padding and the section divider.
constexpr int kCaptionMargin = 14;

std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}

bool IsKey(const QKeyEvent& key, TKeyCommand command) {
    return QKeySequence(key.keyCombination()) == QKeySequence(QString::fromStdString(ShortcutKeys(command)));
}

} // namespace

TJobListPart::TJobListPart(QTreeView* lvFiles, TCustomFFmpegConverter& converter, TFormatParamStore& formats,
                           std::string settingsPath, IMessageBoxes& boxes, std::string defaultDir,
                           std::string libraryFolder, QObject* parent)
    : QObject(parent), lvFiles_(lvFiles), converter_(converter), formats_(formats),
      settingsPath_(std::move(settingsPath)), boxes_(boxes), defaultDir_(std::move(defaultDir)),
      libraryFolder_(std::move(libraryFolder)) {
    lvFiles_->setModel(&model_);
    lvFiles_->setItemDelegate(new TJobRowDelegate(lvFiles_));
    lvFiles_->setAlternatingRowColors(false); // the rows draw their own stripes
    lvFiles_->setUniformRowHeights(true);
    lvFiles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles_->setAcceptDrops(true);
    lvFiles_->viewport()->setAcceptDrops(true);
    lvFiles_->setDragEnabled(true);
    lvFiles_->setDragDropMode(QAbstractItemView::DragDrop);
    lvFiles_->viewport()->installEventFilter(this);
    lvFiles_->installEventFilter(this);
}

// The focus row when it is selected, so a dialog edits the row the user last clicked.
int TJobListPart::SelectedRow() const {
    const int current = lvFiles_->currentIndex().row();
    if (current >= 0 && lvFiles_->selectionModel()->isRowSelected(current, {})) return current;
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> TJobListPart::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lvFiles_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TJobListPart::btnAddClick() {
    if (!dialog_ || !converter_.LoadLibraries(libraryFolder_)) return false;
    TOpenFileRequest request;
    request.Filters = AddFileFilters();
    request.MultiSelect = true;
    const std::vector<std::string> files = dialog_->OpenFiles(request);
    if (files.empty()) return false;
    RunAdd(files, false);
    return true;
}

void TJobListPart::AddFiles(const std::vector<std::string>& files) {
    if (files.empty() || !converter_.LoadLibraries(libraryFolder_)) return;
    RunAdd(files, true);
}

// The probing (and a dropped folder's search) runs on a worker thread while this thread keeps
// the window painted under a progress box whose Cancel stops after the current file.
void TJobListPart::RunAdd(const std::vector<std::string>& files, bool searchFolders) {
    if (adding_) return;
    adding_ = true;
    TAppSettings settings(settingsPath_);
    TJobAdder adder(converter_, formats_, settings, boxes_, defaultDir_);
    adder.Prepare(); // may warn about the output folder: here, not on the worker
    const std::set<std::string> listed = model_.Paths();
    std::atomic<size_t> done{0};
    std::atomic<size_t> total{files.size()};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    TAddOutcome outcome;
    std::thread worker([&] {
        const std::vector<std::string> chosen = searchFolders ? MediaFilesIn(files) : files;
        total = chosen.size();
        outcome = adder.Read(
            chosen, [&listed](const std::string& p) { return listed.count(p) > 0; },
            [&](size_t d, size_t) {
                done = d;
                return !cancel;
            });
        finished = true;
    });

    QProgressDialog progress("Reading the files...", "Cancel", 0, 0, lvFiles_->window());
    progress.setObjectName("dlgAddProgress");
    progress.setWindowTitle("Add");
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // Shown at once: only a shown box blocks the window, and the converter the worker uses must
    // not be started from it meanwhile.
    progress.show();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QEventLoop wait;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
        progress.setMaximum(static_cast<int>(total));
        progress.setValue(static_cast<int>(done));
        if (progress.wasCanceled()) cancel = true;
        if (finished) wait.quit();
    });
    poll.start(30);
    wait.exec();
    worker.join();
    QApplication::restoreOverrideCursor();
    progress.close();

    AppendJobs(std::move(outcome.Jobs));
    if (!outcome.Unreadable.empty())
        boxes_.Show(UnreadableFilesNotice(outcome.Unreadable), "Add", TMsgIcon::Information, TMsgButtons::Ok);
    adding_ = false;
    emit AddFinished();
}

void TJobListPart::AppendJobs(std::vector<TlvFilesRecord> jobs) {
    if (jobs.empty()) return;
    for (TlvFilesRecord& job : jobs) {
        model_.Add(std::move(job));
        if (RowCount() == 1) SetUpColumns();
    }
    SelectRow(0);
    lvFiles_->viewport()->update();
    emit JobsAdded();
}

void TJobListPart::SetUpColumns() {
    // The widths were chosen for a narrower system font: a caption never shows cut off, and
    // what the wider captions take comes off the source column, whose paths are elided anyway,
    // so the list still fits its box.
    const QFontMetrics metrics = lvFiles_->header()->fontMetrics();
    int widths[jcColumnCount];
    int extra = 0;
    for (int column = 0; column < jcColumnCount; ++column) {
        const QString caption = model_.headerData(column, Qt::Horizontal).toString();
        const int fitting = metrics.horizontalAdvance(caption) + kCaptionMargin;
        widths[column] = std::max(TJobListModel::ColumnWidth(column), fitting);
        extra += widths[column] - TJobListModel::ColumnWidth(column);
    }
    widths[jcSource] -= extra;
    for (int column = 0; column < jcColumnCount; ++column)
        lvFiles_->setColumnWidth(column, widths[column]);
    RestoreColumnWidths(*lvFiles_->header(), settingsPath_, kJobListColumnsKey); // the user's own, if any
}

void TJobListPart::SelectRow(int row) {
    const QModelIndex index = model_.index(row, jcSource);
    if (!index.isValid()) return;
    lvFiles_->setCurrentIndex(index);
    lvFiles_->selectionModel()->select(index,
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TJobListPart::btnRemoveClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const int i = rows.front();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        model_.Remove(*row);
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
    model_.Clear();
    emit ListEmptied();
}

void TJobListPart::CheckSelected(bool checked) {
    for (const int row : SelectedRows())
        model_.SetChecked(row, checked);
}

// Space: the selected rows all take the opposite of the focus row's check.
void TJobListPart::ToggleSelectedChecks() {
    const int row = SelectedRow();
    if (row >= 0) CheckSelected(!model_.JobChecked(row));
}

void TJobListPart::MoveSelected(int step) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    model_.MoveRows(rows, step < 0 ? rows.front() - 1 : rows.back() + 2);
    lvFiles_->scrollTo(lvFiles_->currentIndex());
}

void TJobListPart::MoveRowsTo(const std::vector<int>& rows, const QPoint& at) {
    const QModelIndex under = lvFiles_->indexAt(at);
    int before = RowCount();
    if (under.isValid()) {
        const QRect cell = lvFiles_->visualRect(under);
        before = under.row() + (at.y() >= cell.center().y() ? 1 : 0);
    }
    model_.MoveRows(rows, before);
}

bool TJobListPart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvFiles_->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->source() == lvFiles_ && !DraggedJobRows(drag->mimeData()).empty()) {
                drag->setDropAction(Qt::MoveAction);
                drag->accept();
                return true;
            }
            if (LocalFiles(drag->mimeData()).empty()) return false;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<int> rows = DraggedJobRows(drop->mimeData());
            if (drop->source() == lvFiles_ && !rows.empty()) {
                MoveRowsTo(rows, drop->position().toPoint());
                // Nothing is left for the drag's source to do: a move action would have the
                // view remove the rows it dragged.
                drop->setDropAction(Qt::IgnoreAction);
                drop->accept();
                return true;
            }
            const std::vector<std::string> files = LocalFiles(drop->mimeData());
            if (files.empty()) return false;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            AddFiles(files);
            return true;
        }
    }
    if (watched == lvFiles_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            btnRemoveClick();
            return true;
        }
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            ToggleSelectedChecks();
            return true;
        }
        if (IsKey(*key, TKeyCommand::MoveUp) || IsKey(*key, TKeyCommand::MoveDown)) {
            MoveSelected(IsKey(*key, TKeyCommand::MoveUp) ? -1 : 1);
            return true;
        }
    }
    return false;
}

} // namespace orvel
