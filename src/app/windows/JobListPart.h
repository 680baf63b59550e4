#pragma once
// The job list's commands on the main window's list: adding files (through the open-file
// dialog, by dropping files or folders on the list, or by Ctrl+O), removing the selected jobs
// (also with Delete), clearing the list, checking the selected jobs (also with Space) and
// moving them (by dragging, or with Alt+Up and Alt+Down). The rows and their
// records belong to the list's model, which also is the batch controller's job list.
#include "app/JobListModel.h"
#include "app/store/MessageBoxes.h"
#include "app/store/OpenFileDialog.h"

#include <QObject>
#include <QTreeView>

#include <string>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatParamStore;

// The settings key of the job list's remembered column widths.
inline constexpr const char* kJobListColumnsKey = "frmMain.lvFiles";

class TJobListPart : public QObject {
    Q_OBJECT
public:
    // The part shows its model in lvFiles; the part, and with it the model, belongs to parent.
    TJobListPart(QTreeView* lvFiles, TCustomFFmpegConverter& converter, TFormatParamStore& formats,
                 std::string settingsPath, IMessageBoxes& boxes, std::string defaultDir,
                 std::string libraryFolder, QObject* parent);

    void SetOpenFileDialog(IOpenFileDialog* dialog) { dialog_ = dialog; }
    TJobListModel& Model() { return model_; }

    // Add: the libraries, the dialog, then every chosen file that can be read. False when
    // nothing was asked (libraries missing) or the dialog was cancelled.
    bool btnAddClick();
    // The same steps for files that come without the dialog (dropped ones); a folder stands
    // for the media files anywhere below it.
    void AddFiles(const std::vector<std::string>& files);
    void btnRemoveClick();
    void btnClearClick();
    // The check commands and Space act on every selected row.
    void CheckSelected(bool checked);
    void ToggleSelectedChecks();
    // The selected rows, gathered, one row up (-1) or down (+1); they stay selected.
    void MoveSelected(int step);
    // Dragged rows dropped at the list's point `at` (viewport coordinates): before the row under
    // its upper half, after it under the lower half, at the end below the last row.
    void MoveRowsTo(const std::vector<int>& rows, const QPoint& at);

    int RowCount() const { return model_.JobCount(); }
    int SelectedRow() const;               // the row the dialogs edit; -1 when none
    std::vector<int> SelectedRows() const; // in list order
    bool HasSelectedJob() const { return SelectedRow() >= 0; }
    // Makes the row the focus row and the one selected row.
    void SelectRow(int row);
    // The five columns at their own widths.
    void SetUpColumns();

signals:
    // Rows were added (the window enables Start, Remove and Clear).
    void JobsAdded();
    // An add ended, whether or not it added rows (naming may have changed the output folder).
    void AddFinished();
    // The list became empty by Remove or Clear: the preview stops.
    void ListEmptied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AppendJobs(std::vector<TlvFilesRecord> jobs);
    // searchFolders: a folder stands for the media files anywhere below it.
    void RunAdd(const std::vector<std::string>& files, bool searchFolders);

    TJobListModel model_;
    QTreeView* lvFiles_;
    TCustomFFmpegConverter& converter_;
    TFormatParamStore& formats_;
    std::string settingsPath_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
    std::string libraryFolder_;
    IOpenFileDialog* dialog_ = nullptr;
    bool adding_ = false; // an add's wait keeps events going: a second one must not start
};

} // namespace orvel
