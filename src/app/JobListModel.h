#pragma once
// The job list: one row per job with its check, its record and the texts of the five columns.
// It is the table the main window's list shows and the job list the batch controller converts.
// Rows are unique by exact source path.
#include "batch/BatchController.h"
#include "batch/lvFilesRecord.h"

#include <QAbstractTableModel>

#include <set>
#include <string>
#include <vector>

namespace orvel {

// The drag format of rows moved within the list: their row numbers, one a line.
inline constexpr const char* kJobRowsMimeType = "application/x-orvel-job-rows";
// The rows a drag of kJobRowsMimeType carries; empty for any other drag.
std::vector<int> DraggedJobRows(const QMimeData* mime);

enum TJobColumn { jcSource, jcLength, jcTrimmedLength, jcDestination, jcProgress, jcColumnCount };

class TJobListModel : public QAbstractTableModel, public IBatchJobs {
    Q_OBJECT
public:
    static const char* ColumnCaption(int column);
    static int ColumnWidth(int column);

    // Appends the job, checked, with its length in both length columns, the file name of its
    // add-time destination (until SetDestinations names the file a Start writes) and no progress. False (and
    // nothing changes) when its source path already is a row.
    bool Add(TlvFilesRecord job);
    bool Contains(const std::string& sourceFile) const { return paths_.count(sourceFile) > 0; }
    const std::set<std::string>& Paths() const { return paths_; }
    // Rows outside the list are ignored.
    void Remove(int row);
    void Clear();
    // Moves the rows (any order; repeated or outside ones are ignored) together, in list order,
    // to stand before row `before` as it is now; JobCount() or more puts them at the end. Each
    // row keeps its record, check and texts. Returns the moved rows' new first row, -1 when none.
    int MoveRows(std::vector<int> rows, int before);

    void SetChecked(int row, bool checked);
    void CheckAll(bool checked);
    void ReverseCheck();

    // An edited copy of the job written back (a dialog's Ok); the source path stays the row's.
    // The trimmed length follows the job's trim.
    void SetJob(int row, const TlvFilesRecord& job);
    void SetTrimmedLength(int row, const std::string& text);
    // Row from's edits (crop, zoom, watermark text and picture, effects; its trim too when
    // withTrim) onto each of rows; their sources, names and lengths stay their own.
    void ApplyEdits(int from, const std::vector<int>& rows, bool withTrim);
    // The paths the rows' jobs will be written to, in row order; the column shows their names.
    void SetDestinations(const std::vector<std::string>& paths);
    void SetProgress(int row, const std::string& text);
    // Why the row's job was not converted, shown as the tooltip of each of its cells.
    void SetFailure(int row, const std::string& message);
    void ClearFailures();
    std::string Text(int row, int column) const;

    // IBatchJobs
    int JobCount() const override { return static_cast<int>(rows_.size()); }
    bool JobChecked(int row) const override { return rows_.at(static_cast<size_t>(row)).Checked; }
    TlvFilesRecord& Job(int row) override { return rows_.at(static_cast<size_t>(row)).Record; }

    // Empty when every invariant holds, else one line per broken one. Tests call it after
    // every operation.
    std::string CheckConsistency() const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Rows dragged within the list carry their row numbers; the list moves them on the drop.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    struct TRow {
        TlvFilesRecord Record;
        bool Checked = true;
        std::string Length;
        std::string TrimmedLength;
        std::string Destination;
        std::string Progress;
        std::string Failure;
    };
    bool ValidRow(int row) const { return row >= 0 && row < JobCount(); }
    bool InList(const QModelIndex& index) const;
    void RowChanged(int row, int firstColumn, int lastColumn, const QList<int>& roles = {});
    void MoveRow(int from, int to);

    std::vector<TRow> rows_;
    std::set<std::string> paths_;
};

} // namespace orvel
