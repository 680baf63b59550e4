#include "app/windows/MainBatchPart.h"

#include "app/JobListModel.h"
#include "app/store/ErrorHandler.h"
#include "app/store/GlobalObject.h"
#include "app/windows/PreviewPanel.h"
#include "app/windows/frmMain.h"
#include "batch/windows/frmProgress.h"
#include "engine/component/FFmpegConverter.h"
#include "formats/windows/ParameterPanel.h"

namespace orvel {

bool TBoxSizePrompt::UseDefaultSize() {
    return boxes_.Show(kSizePromptText, "Warning", TMsgIcon::Warning, TMsgButtons::YesNo) == TMsgResult::Yes;
}

TMainBatchPart::TMainBatchPart(QWidget* window, const TMainWindowParts& parts, TJobListModel& jobs,
                               TPreviewPanel& preview, TParameterPanel& parameters,
                               TSnapshotWriter& snapshots, std::unique_ptr<Bitmap24>& previewFrame,
                               std::function<void(bool)> listButtons)
    : QObject(window), converter_(parts.Converter), jobs_(jobs), preview_(preview), parameters_(parameters),
      previewFrame_(previewFrame), listButtons_(std::move(listButtons)), sizePrompt_(parts.Boxes) {
    progress_ = std::make_unique<TfrmProgress>(jobs, *this, snapshots, parts.Boxes, window);
    controller_ =
        std::make_unique<TBatchController>(parts.Converter, parts.Formats, parts.Settings, jobs, *progress_,
                                           parts.System, sizePrompt_, parts.Boxes, DefaultKestruneDir());
    progress_->SetController(controller_.get());
    destinationRefresh_.setSingleShot(true);
    destinationRefresh_.setInterval(0);
    connect(&destinationRefresh_, &QTimer::timeout, this, &TMainBatchPart::ShowDestinations);
    connect(&jobs_, &QAbstractItemModel::rowsInserted, this, &TMainBatchPart::RefreshDestinationsSoon);
    connect(&jobs_, &QAbstractItemModel::rowsRemoved, this, &TMainBatchPart::RefreshDestinationsSoon);
    connect(&jobs_, &QAbstractItemModel::rowsMoved, this, &TMainBatchPart::RefreshDestinationsSoon);
    connect(&jobs_, &QAbstractItemModel::modelReset, this, &TMainBatchPart::RefreshDestinationsSoon);
    connect(&jobs_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(Qt::CheckStateRole)) RefreshDestinationsSoon();
            });
    // Preview events run in the GUI thread while the worker waits, so the copy needs no lock.
    converter_.SetPreviewBitmap(true);
    converter_.OnPreviewBitmap = [this](TCustomFFmpegConverter*, const TPreviewInfo& info) {
        const Bitmap24* frame = info.Bitmap;
        if (!frame || frame->Width() <= 0 || frame->Height() <= 0) return;
        if (!previewFrame_) previewFrame_ = std::make_unique<Bitmap24>();
        previewFrame_->SetSize(frame->Width(), frame->Height());
        const size_t bytes = static_cast<size_t>(frame->Stride()) * static_cast<size_t>(frame->Height());
        std::copy(frame->Bits(), frame->Bits() + bytes, previewFrame_->Bits());
    };
}

TMainBatchPart::~TMainBatchPart() {
    converter_.OnPreviewBitmap = nullptr;
    controller_.reset();
}

void TMainBatchPart::btnStartClick() {
    parameters_.cmbVideoSizeExit();
    if (controller_->Running()) return;
    try {
        if (controller_->Start() > 0)
            listButtons_(false);
        else
            progress_->ShowFailures(); // every checked job was left out: no batch end will tell

    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }
}

void TMainBatchPart::RefreshDestinationsSoon() {
    destinationRefresh_.start();
}

void TMainBatchPart::ShowDestinations() {
    destinationRefresh_.stop();
    jobs_.SetDestinations(controller_->PlannedDestinations());
}

void TMainBatchPart::StopPreview() {
    preview_.imgbtnStopClick();
    jobs_.ClearFailures(); // a new batch: the last one's reasons no longer apply
}

void TMainBatchPart::SetRowProgress(int row, const std::string& text) {
    jobs_.SetProgress(row, text);
}

void TMainBatchPart::SetRowFailure(int row, const std::string& message) {
    jobs_.SetFailure(row, message);
}

void TMainBatchPart::BatchEnded() {
    listButtons_(true);
    RefreshDestinationsSoon(); // the written files now take their names
}

} // namespace orvel
