#include "app/JobListModel.h"

#include "editing/TrimModel.h"

#include <QMimeData>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace orvel {
namespace {

struct TColumn {
    const char* Caption;
    int Width;
};
constexpr TColumn kColumns[jcColumnCount] = {
    {"Source", 140}, {"Length", 65}, {"Trimmed Length", 90}, {"Destination File", 120}, {"Progress", 60}};

} // namespace

std::vector<int> DraggedJobRows(const QMimeData* mime) {
    std::vector<int> rows;
    if (!mime || !mime->hasFormat(kJobRowsMimeType)) return rows;
    std::istringstream in(mime->data(kJobRowsMimeType).toStdString());
    for (int row; in >> row;)
        rows.push_back(row);
    return rows;
}

const char* TJobListModel::ColumnCaption(int column) {
    return column >= 0 && column < jcColumnCount ? kColumns[column].Caption : "";
}

int TJobListModel::ColumnWidth(int column) {
    return column >= 0 && column < jcColumnCount ? kColumns[column].Width : 0;
}

bool TJobListModel::Add(TlvFilesRecord job) {
    if (Contains(job.SourceFile)) return false;
    TRow row;
    row.Length = std::to_string(job.DurationSec);
    row.TrimmedLength = row.Length;
    row.Destination = std::filesystem::path(job.DestFile).filename().string();
    row.Record = std::move(job);
    const int at = JobCount();
    beginInsertRows({}, at, at);
    paths_.insert(row.Record.SourceFile);
    rows_.push_back(std::move(row));
    endInsertRows();
    return true;
}

void TJobListModel::Remove(int row) {
    if (!ValidRow(row)) return;
    beginRemoveRows({}, row, row);
    paths_.erase(rows_[static_cast<size_t>(row)].Record.SourceFile);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void TJobListModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    paths_.clear();
    endResetModel();
}

// One row at a time so views, their selections and the batch's naming follow each step. Rows
// going down are moved last first and rows going up first first: a row still to move then
// never shifts.
int TJobListModel::MoveRows(std::vector<int> rows, int before) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int row) { return !ValidRow(row); }),
               rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) return -1;
    before = std::clamp(before, 0, JobCount());
    const int above = static_cast<int>(std::lower_bound(rows.begin(), rows.end(), before) - rows.begin());
    const int first = before - above;
    for (int i = above - 1; i >= 0; --i)
        MoveRow(rows[static_cast<size_t>(i)], first + i);
    for (int i = above; i < static_cast<int>(rows.size()); ++i)
        MoveRow(rows[static_cast<size_t>(i)], first + i);
    return first;
}

void TJobListModel::MoveRow(int from, int to) {
    if (from == to) return;
    // Qt counts the destination before the move: one past the target when going down.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    TRow moved = std::move(rows_[static_cast<size_t>(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(moved));
    endMoveRows();
}

void TJobListModel::SetChecked(int row, bool checked) {
    if (!ValidRow(row) || rows_[static_cast<size_t>(row)].Checked == checked) return;
    rows_[static_cast<size_t>(row)].Checked = checked;
    RowChanged(row, jcSource, jcSource, {Qt::CheckStateRole});
}

void TJobListModel::CheckAll(bool checked) {
    for (int row = 0; row < JobCount(); ++row)
        SetChecked(row, checked);
}

void TJobListModel::ReverseCheck() {
    for (int row = 0; row < JobCount(); ++row)
        SetChecked(row, !rows_[static_cast<size_t>(row)].Checked);
}

void TJobListModel::SetJob(int row, const TlvFilesRecord& job) {
    if (!ValidRow(row)) return;
    TlvFilesRecord& kept = rows_[static_cast<size_t>(row)].Record;
    const std::string source = kept.SourceFile;
    kept = job;
    kept.SourceFile = source; // the row's caption and its place in the unique set stay
    // From the probe's microseconds: whole seconds would cut a trim to the end a second short.
    const int64_t length = kept.DurationUs > 0 ? kept.DurationUs : int64_t{kept.DurationSec} * 1000000;
    SetTrimmedLength(row, std::to_string(TrimmedLengthSeconds(kept, length)));
}

void TJobListModel::ApplyEdits(int from, const std::vector<int>& rows, bool withTrim) {
    if (!ValidRow(from)) return;
    const TlvFilesRecord edits = rows_[static_cast<size_t>(from)].Record;
    for (const int row : rows) {
        if (!ValidRow(row) || row == from) continue;
        const TlvFilesRecord& own = rows_[static_cast<size_t>(row)].Record;
        TlvFilesRecord copy = edits;
        copy.AddIndex = own.AddIndex;
        copy.DestFile = own.DestFile;
        copy.DurationSec = own.DurationSec;
        copy.DurationUs = own.DurationUs;
        if (!withTrim) {
            copy.TrimStart = own.TrimStart;
            copy.TrimLength = own.TrimLength;
        }
        SetJob(row, copy);
    }
}

void TJobListModel::SetTrimmedLength(int row, const std::string& text) {
    if (!ValidRow(row)) return;
    rows_[static_cast<size_t>(row)].TrimmedLength = text;
    RowChanged(row, jcTrimmedLength, jcTrimmedLength, {Qt::DisplayRole});
}

void TJobListModel::SetDestinations(const std::vector<std::string>& paths) {
    for (int row = 0; row < JobCount() && row < static_cast<int>(paths.size()); ++row) {
        std::string name = std::filesystem::path(paths[static_cast<size_t>(row)]).filename().string();
        if (rows_[static_cast<size_t>(row)].Destination == name) continue;
        rows_[static_cast<size_t>(row)].Destination = std::move(name);
        RowChanged(row, jcDestination, jcDestination, {Qt::DisplayRole});
    }
}

void TJobListModel::SetProgress(int row, const std::string& text) {
    if (!ValidRow(row)) return;
    rows_[static_cast<size_t>(row)].Progress = text;
    RowChanged(row, jcProgress, jcProgress, {Qt::DisplayRole});
}

void TJobListModel::SetFailure(int row, const std::string& message) {
    if (!ValidRow(row)) return;
    rows_[static_cast<size_t>(row)].Failure = message;
    RowChanged(row, jcSource, jcColumnCount - 1, {Qt::ToolTipRole});
}

void TJobListModel::ClearFailures() {
    for (int row = 0; row < JobCount(); ++row)
        if (!rows_[static_cast<size_t>(row)].Failure.empty()) SetFailure(row, {});
}

std::string TJobListModel::Text(int row, int column) const {
    if (!ValidRow(row)) return {};
    const TRow& r = rows_[static_cast<size_t>(row)];
    switch (column) {
    case jcSource:
        return r.Record.SourceFile;
    case jcLength:
        return r.Length;
    case jcTrimmedLength:
        return r.TrimmedLength;
    case jcDestination:
        return r.Destination;
    case jcProgress:
        return r.Progress;
    default:
        return {};
    }
}

// Not checkIndex: views and Qt's model tester ask about invalid indexes on purpose, and
// checkIndex warns about each.
bool TJobListModel::InList(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && !index.parent().isValid() && ValidRow(index.row()) &&
           index.column() >= 0 && index.column() < jcColumnCount;
}

void TJobListModel::RowChanged(int row, int firstColumn, int lastColumn, const QList<int>& roles) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn), roles);
}

std::string TJobListModel::CheckConsistency() const {
    std::ostringstream out;
    if (paths_.size() != rows_.size())
        out << rows_.size() << " rows but " << paths_.size() << " distinct source paths\n";
    std::set<std::string> seen;
    for (int row = 0; row < JobCount(); ++row) {
        const std::string& path = rows_[static_cast<size_t>(row)].Record.SourceFile;
        if (!seen.insert(path).second) out << "row " << row << ": " << path << " is listed twice\n";
        if (!paths_.count(path)) out << "row " << row << ": " << path << " is missing from the path set\n";
    }
    if (rowCount() != JobCount())
        out << "the table has " << rowCount() << " rows, the job list " << JobCount() << "\n";
    return out.str();
}

int TJobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : JobCount();
}

int TJobListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : jcColumnCount;
}

QVariant TJobListModel::data(const QModelIndex& index, int role) const {
    if (!InList(index)) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(Text(index.row(), index.column()));
    if (role == Qt::CheckStateRole && index.column() == jcSource)
        return rows_[static_cast<size_t>(index.row())].Checked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole) {
        const std::string& failure = rows_[static_cast<size_t>(index.row())].Failure;
        if (!failure.empty()) return QString::fromStdString(failure);
    }
    return {};
}

QVariant TJobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= jcColumnCount) return {};
    // Widths are the view's (ColumnWidth): a size hint here would also fix the header's height.
    if (role == Qt::DisplayRole) return QString(ColumnCaption(section));
    return {};
}

Qt::ItemFlags TJobListModel::flags(const QModelIndex& index) const {
    if (!InList(index)) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == jcSource) result |= Qt::ItemIsUserCheckable;
    return result | Qt::ItemIsDragEnabled;
}

QStringList TJobListModel::mimeTypes() const {
    return {kJobRowsMimeType};
}

QMimeData* TJobListModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        if (InList(index)) rows.insert(index.row());
    if (rows.empty()) return nullptr;
    std::string text;
    for (const int row : rows)
        text += std::to_string(row) + "\n";
    auto* mime = new QMimeData;
    mime->setData(kJobRowsMimeType, QByteArray::fromStdString(text));
    return mime;
}

bool TJobListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != jcSource || !InList(index)) return false;
    SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

} // namespace orvel
