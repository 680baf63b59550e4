#pragma once
// The progress window: shown over the main window while a batch runs, it shows the job being
// converted, its figures, a live picture, and offers Pause, Resume, Cancel and a snapshot. It is
// the batch controller's view, and passes the job list's part on to the main window.
#include "app/store/MessageBoxes.h"
#include "app/store/Snapshots.h"
#include "batch/BatchController.h"
#include "batch/BatchHost.h"
#include "batch/ProgressModel.h"

#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace orvel {

inline constexpr int kProgressWindowWidth = 450;
inline constexpr int kProgressWindowHeight = 490;
inline constexpr const char* kStopBatchQuestion =
    "Stop the whole batch? The file being converted and the files after it are not converted.";

class TfrmProgress : public QDialog, public IBatchView {
    Q_OBJECT
public:
    // owner: the window it is centred on; not its parent, so the two windows' controls of the
    // same name (imgbtnSnap) never meet in one search.
    TfrmProgress(IBatchJobs& jobs, IBatchHost& host, TSnapshotWriter& snapshots, IMessageBoxes& boxes,
                 QWidget* owner = nullptr);

    // The controller this window drives; it is made after the window, which is its view.
    void SetController(TBatchController* controller) { controller_ = controller; }

    // IBatchView.
    void StopPreview() override;
    void BatchStarted(int taskCount) override;
    void ShowProgress(const TBatchProgress& progress) override;
    void SetRowProgress(int row, const std::string& text) override;
    void JobFinished(int taskIndex, int row) override;
    void JobStopped(int taskIndex, int row, bool failed, const std::string& message) override;
    void JobSkipped(int row, const std::string& message) override;
    void JobOutsideDevice(int row, const std::string& note) override;
    void BatchEnded() override;
    bool OpenFolderAfterConversion() const override;
    bool ShutDownAfterConversion() const override;

    // Handlers, named as the window's controls.
    void btnPauseClick();
    void btnResumeClick();
    void btnCancelClick();
    void imgbtnSnapClick();
    void Timer1Timer();

    // The message naming the jobs of the last start that were not converted, once; the end of
    // the batch shows it, and so must a start whose every job was left out (no batch ran).
    void ShowFailures();

    // What imgPreview shows.
    const QImage& LiveImage() const { return live_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape: the same as the close box

private:
    void CreateControls();
    void Render(const TProgressView& view);
    void ShowLivePicture(const Bitmap24& frame);
    int64_t Now() const { return clock_.nsecsElapsed() / 1000; }

    IBatchJobs& jobs_;
    IBatchHost& host_;
    TSnapshotWriter& snapshots_;
    IMessageBoxes& boxes_;
    TBatchController* controller_ = nullptr;
    QPointer<QWidget> owner_;
    TProgressModel model_;
    QElapsedTimer clock_;
    QImage live_;
    std::vector<TFailedJob> failed_;
    bool cancelling_ = false; // the stop request went out; the batch's end follows
    bool ending_ = false;     // the batch ended: the window may close
    bool asking_ = false;     // the stop question is up

    QLabel* mem1;
    QLabel* lblOutput;
    QLabel* lblTime;
    QLabel* lblLength;
    QLabel* lblSize;
    QLabel* lblProgress;
    QLabel* lblFileLeft;
    QLabel* lblBatchLeft;
    QLabel* lblSpeed;
    QProgressBar* progbarFile;
    QLabel* imgPreview;
    QPushButton* btnPause;
    QPushButton* btnResume;
    QPushButton* btnCancel;
    QPushButton* imgbtnSnap;
    QCheckBox* ckOpen;
    QCheckBox* ckShutDown;
    QTimer* Timer1;
};

} // namespace orvel
