#pragma once
// The main window's conversion: Start through the batch controller with the progress window
// over the window, the job rows' progress and failures, the output size question, and the
// conversion's preview frames for the live picture.
#include "app/store/MessageBoxes.h"
#include "app/store/Snapshots.h"
#include "batch/BatchController.h"
#include "batch/BatchHost.h"
#include "formats/OptionBuilder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace orvel {

struct TMainWindowParts;
class TfrmProgress;
class TJobListModel;
class TParameterPanel;
class TPreviewPanel;

// The option builder's question about an unusable output size, as a message box.
class TBoxSizePrompt : public ISizePrompt {
public:
    explicit TBoxSizePrompt(IMessageBoxes& boxes) : boxes_(boxes) {}
    bool UseDefaultSize() override;

private:
    IMessageBoxes& boxes_;
};

class TMainBatchPart : public QObject, public IBatchHost {
    Q_OBJECT
public:
    // listButtons: enables or disables Add, Remove, Clear and Start.
    // jobs: the job list's model, whose rows the batch converts and whose columns show how.
    TMainBatchPart(QWidget* window, const TMainWindowParts& parts, TJobListModel& jobs,
                   TPreviewPanel& preview, TParameterPanel& parameters, TSnapshotWriter& snapshots,
                   std::unique_ptr<Bitmap24>& previewFrame, std::function<void(bool)> listButtons);
    ~TMainBatchPart() override;

    void btnStartClick();
    // The "Destination File" column names the files a Start would write now. Changes of the
    // rows, their checks, the format or the folder ask for it; one refresh serves a burst.
    void ShowDestinations();
    void RefreshDestinationsSoon();
    TfrmProgress& ProgressWindow() { return *progress_; }
    TBatchController& Controller() { return *controller_; }

    // IBatchHost.
    void StopPreview() override;
    void SetRowProgress(int row, const std::string& text) override;
    void SetRowFailure(int row, const std::string& message) override;
    void BatchEnded() override;
    const Bitmap24* PreviewFrame() const override { return previewFrame_.get(); }

private:
    TCustomFFmpegConverter& converter_;
    TJobListModel& jobs_;
    TPreviewPanel& preview_;
    TParameterPanel& parameters_;
    std::unique_ptr<Bitmap24>& previewFrame_;
    std::function<void(bool)> listButtons_;
    TBoxSizePrompt sizePrompt_;
    std::unique_ptr<TfrmProgress> progress_;
    std::unique_ptr<TBatchController> controller_;
    QTimer destinationRefresh_;
};

} // namespace orvel
