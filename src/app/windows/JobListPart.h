#pragma once
// The job list's commands on the main window's list: adding files (through the open-file
// dialog, by dropping files or folders on the list, or by Ctrl+O), removing the selected job
// (also with Delete), clearing the list, and the five check commands. Each row owns its job
// record; rows are unique by source path.
#include "app/JobAdder.h"
#include "batch/BatchController.h"
#include "windows/OpenFileDialog.h"

#include <QObject>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatParamStore;

inline constexpr int kJobListColumnCount = 5;

class TJobListPart : public QObject, public IBatchJobs {
    Q_OBJECT
public:
    TJobListPart(QTreeWidget* lvFiles, TCustomFFmpegConverter& converter, TFormatParamStore& formats,
                 std::string settingsPath, IMessageBoxes& boxes, std::string defaultDir,
                 std::string libraryFolder);
    ~TJobListPart() override;

    void SetOpenFileDialog(IOpenFileDialog* dialog) { dialog_ = dialog; }

    // Add: the libraries, the dialog, then every chosen file that can be read. False when
    // nothing was asked (libraries missing) or the dialog was cancelled.
    bool btnAddClick();
    // The same steps for files that come without the dialog (dropped ones); a folder stands
    // for the supported media files directly in it.
    void AddFiles(const std::vector<std::string>& files);
    void btnRemoveClick();
    void btnClearClick();
    void CheckAll(bool checked);
    void ReverseCheck();
    void CheckSelected(bool checked);

    int RowCount() const;
    int SelectedRow() const; // -1 when none
    bool HasSelectedJob() const { return RowCount() > 0 && SelectedRow() >= 0; }
    QStringList RowTexts(int row) const;

    // IBatchJobs.
    int JobCount() const override { return RowCount(); }
    bool JobChecked(int row) const override;
    TlvFilesRecord& Job(int row) override { return *records_.at(static_cast<size_t>(row)); }

signals:
    // Rows were added (the window enables Start, Remove and Clear).
    void JobsAdded();
    // The list became empty by Remove or Clear: the preview stops.
    void ListEmptied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AppendJobs(std::vector<TAddedJob> jobs);
    void SetUpColumns();
    void SelectRow(int row);
    bool IsListed(const std::string& path) const;
    static std::vector<std::string> ExpandFolders(const std::vector<std::string>& paths);

    QTreeWidget* lvFiles_;
    TCustomFFmpegConverter& converter_;
    TFormatParamStore& formats_;
    std::string settingsPath_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
    std::string libraryFolder_;
    IOpenFileDialog* dialog_ = nullptr;
    std::vector<std::unique_ptr<TlvFilesRecord>> records_; // one per row, in row order
};

} // namespace orvel
