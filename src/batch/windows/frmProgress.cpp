#include "batch/windows/frmProgress.h"

#include "batch/LivePicture.h"
#include "ui/Accessibility.h"
#include "ui/WindowGeometry.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace orvel {
namespace {

QLabel* Caption(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// The live picture's label asks for its own size, not its picture's, so the window shrinks back
// after it was made larger.
class TLivePictureLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return {kLivePictureWidth, kLivePictureHeight}; }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

TfrmProgress::TfrmProgress(IBatchJobs& jobs, IBatchHost& host, TSnapshotWriter& snapshots,
                           IMessageBoxes& boxes, QWidget* owner)
    : QDialog(nullptr), jobs_(jobs), host_(host), snapshots_(snapshots), boxes_(boxes), owner_(owner) {
    CreateControls();
    clock_.start();
    Render(model_.View());
}

void TfrmProgress::CreateControls() {
    setObjectName("frmProgress");
    setWindowTitle("Progress");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    RememberWindowGeometry(*this, std::string(), QSize(kProgressWindowWidth, kProgressWindowHeight));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 10, 12, 10);
    root->setSpacing(6);

    mem1 = new QLabel(this); // the promotional area stays empty
    mem1->setAccessibleName("News");
    mem1->setFixedHeight(20);
    root->addWidget(mem1);

    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(8);
    figures->setVerticalSpacing(3);
    lblOutput = new QLabel(this);
    lblTime = new QLabel(this);
    lblLength = new QLabel(this);
    lblSize = new QLabel(this);
    lblProgress = new QLabel(this);
    lblFileLeft = new QLabel(this);
    lblBatchLeft = new QLabel(this);
    lblSpeed = new QLabel(this);
    const struct {
        const char* caption;
        QLabel* value;
        int row, column, span;
    } figureCells[] = {
        {"File:", lblOutput, 0, 0, 3},
        {"Current Time:", lblTime, 1, 0, 1},
        {"Length:", lblLength, 2, 0, 1},
        {"File Size:", lblSize, 3, 0, 1},
        {"Progress:", lblProgress, 4, 0, 1},
        {"File time left:", lblFileLeft, 1, 2, 1},
        {"Total time left:", lblBatchLeft, 2, 2, 1},
        {"Speed:", lblSpeed, 3, 2, 1},
    };
    for (const auto& cell : figureCells) {
        QLabel* caption = Caption(cell.caption, this);
        figures->addWidget(caption, cell.row, cell.column);
        figures->addWidget(cell.value, cell.row, cell.column + 1, 1, cell.span);
        LabelControl(caption, cell.value);
    }
    figures->setColumnStretch(1, 1);
    figures->setColumnStretch(3, 1);
    root->addLayout(figures);

    progbarFile = new QProgressBar(this);
    progbarFile->setRange(0, 100);
    progbarFile->setTextVisible(true);
    progbarFile->setAccessibleName("Progress of the file");
    root->addWidget(progbarFile);

    imgPreview = new TLivePictureLabel(this);
    // The live picture takes the room a larger window gives.
    imgPreview->setMinimumSize(kLivePictureWidth, kLivePictureHeight);
    imgPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->setAccessibleName("Live picture");
    root->addWidget(imgPreview, 1);

    auto* buttons = new QHBoxLayout;
    imgbtnSnap = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QString(), this);
    imgbtnSnap->setToolTip("Save snapshot picture");
    imgbtnSnap->setAccessibleName("Save snapshot picture");
    imgbtnSnap->setFixedSize(30, 26);
    btnPause = new QPushButton("Pause", this);
    btnResume = new QPushButton("Resume", this);
    btnCancel = new QPushButton("Cancel", this);
    buttons->addWidget(imgbtnSnap);
    buttons->addStretch();
    for (QPushButton* b : {btnPause, btnResume, btnCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    root->addLayout(buttons);

    ckOpen = new QCheckBox("Open the output folder after conversion", this);
    ckShutDown = new QCheckBox("Shut down computer after conversion", this);
    root->addWidget(ckOpen);
    root->addWidget(ckShutDown);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);

    const std::pair<QObject*, const char*> named[] = {
        {mem1, "mem1"},
        {lblOutput, "lblOutput"},
        {lblTime, "lblTime"},
        {lblLength, "lblLength"},
        {lblSize, "lblSize"},
        {lblProgress, "lblProgress"},
        {lblFileLeft, "lblFileLeft"},
        {lblBatchLeft, "lblBatchLeft"},
        {lblSpeed, "lblSpeed"},
        {progbarFile, "progbarFile"},
        {imgPreview, "imgPreview"},
        {btnPause, "btnPause"},
        {btnResume, "btnResume"},
        {btnCancel, "btnCancel"},
        {imgbtnSnap, "imgbtnSnap"},
        {ckOpen, "ckOpen"},
        {ckShutDown, "ckShutDown"},
        {Timer1, "Timer1"},
    };
    for (const auto& [control, name] : named)
        control->setObjectName(name);

    connect(btnPause, &QPushButton::clicked, this, &TfrmProgress::btnPauseClick);
    connect(btnResume, &QPushButton::clicked, this, &TfrmProgress::btnResumeClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
    connect(imgbtnSnap, &QPushButton::clicked, this, &TfrmProgress::imgbtnSnapClick);
    connect(Timer1, &QTimer::timeout, this, &TfrmProgress::Timer1Timer);
    connect(ckOpen, &QCheckBox::toggled, this, [this](bool on) { model_.SetOpen(on); });
    connect(ckShutDown, &QCheckBox::toggled, this, [this](bool on) { model_.SetShutDown(on); });
}

void TfrmProgress::Render(const TProgressView& view) {
    lblOutput->setText(QString::fromStdString(view.Output));
    lblTime->setText(QString::fromStdString(view.Time));
    lblLength->setText(QString::fromStdString(view.Length));
    lblSize->setText(QString::fromStdString(view.Size));
    lblProgress->setText(QString::fromStdString(view.Counter));
    lblFileLeft->setText(QString::fromStdString(view.FileLeft));
    lblBatchLeft->setText(QString::fromStdString(view.BatchLeft));
    lblSpeed->setText(QString::fromStdString(view.Speed));
    progbarFile->setValue(view.Bar);
    const bool stopping = cancelling_ || ending_;
    btnPause->setEnabled(view.PauseEnabled && !stopping);
    btnResume->setEnabled(view.ResumeEnabled && !stopping);
    // Programmatic checks must not echo back into the model.
    const QSignalBlocker blockOpen(ckOpen), blockShutDown(ckShutDown);
    ckOpen->setChecked(view.OpenChecked);
    ckShutDown->setChecked(view.ShutDownChecked);
}

// The first call of every start that has jobs: jobs skipped from here on belong to this batch.
void TfrmProgress::StopPreview() {
    failed_.clear();
    host_.StopPreview();
}

void TfrmProgress::BatchStarted(int taskCount) {
    std::vector<int64_t> expected;
    if (controller_)
        for (int t = 0; t < taskCount; ++t) {
            const int row = controller_->TaskItems().RowOf(t);
            expected.push_back(row >= 0 && row < jobs_.JobCount() ? ExpectedJobDuration(jobs_.Job(row)) : 0);
        }
    ending_ = false;
    cancelling_ = false;
    btnCancel->setEnabled(true);
    model_.Show(std::move(expected), Now());
    ShowLivePicture(Bitmap24());
    Render(model_.View());
    Timer1->start();
    // Modal for the user, without a nested event loop: the caller's Start returns at once.
    setWindowModality(Qt::ApplicationModal);
    show();
    // Centred on the main window at every start, at the size the user last gave it.
    if (owner_) {
        QRect place = geometry();
        place.moveCenter(owner_->geometry().center());
        setGeometry(place);
    }
}

void TfrmProgress::ShowProgress(const TBatchProgress& progress) {
    model_.Progress(progress, Now());
    Render(model_.View());
}

void TfrmProgress::SetRowProgress(int row, const std::string& text) {
    host_.SetRowProgress(row, text);
}

void TfrmProgress::JobFinished(int taskIndex, int row) {
    model_.JobFinished(taskIndex);
    Render(model_.View());
}

void TfrmProgress::JobStopped(int taskIndex, int row, bool failed, const std::string& message) {
    if (!failed) return; // cancelled by the user
    JobSkipped(row, message);
}

void TfrmProgress::JobSkipped(int row, const std::string& message) {
    host_.SetRowFailure(row, message);
    const std::string source = row >= 0 && row < jobs_.JobCount() ? jobs_.Job(row).SourceFile : std::string();
    failed_.push_back({source, message});
}

void TfrmProgress::JobOutsideDevice(int row, const std::string& note) {
    host_.SetRowFailure(row, note);
}

void TfrmProgress::BatchEnded() {
    ending_ = true;
    Timer1->stop();
    hide();
    host_.BatchEnded();
    ShowFailures();
}

void TfrmProgress::ShowFailures() {
    if (failed_.empty()) return;
    const std::string text = FailedJobsText(std::exchange(failed_, {}));
    boxes_.Show(text, "Warning", TMsgIcon::Warning, TMsgButtons::Ok);
}

bool TfrmProgress::OpenFolderAfterConversion() const {
    return model_.View().OpenChecked;
}

bool TfrmProgress::ShutDownAfterConversion() const {
    return model_.View().ShutDownChecked;
}

void TfrmProgress::btnPauseClick() {
    if (controller_) controller_->Pause();
    model_.Pause(Now());
    Render(model_.View());
}

void TfrmProgress::btnResumeClick() {
    if (controller_) controller_->Resume();
    model_.Resume(Now());
    Render(model_.View());
}

// The window never waits for the worker: the stop request goes out, and the end-of-batch
// report, which follows once every task has ended, closes the window. Cancel, Esc and the close
// box all ask first: an Esc meant for some other window must not throw away a long batch.
void TfrmProgress::btnCancelClick() {
    if (!controller_ || !controller_->Running()) {
        hide();
        return;
    }
    if (cancelling_ || asking_) return; // asked once already
    asking_ = true;
    const bool stop = boxes_.Show(kStopBatchQuestion, "Warning", TMsgIcon::Question, TMsgButtons::StopGoOn) ==
                      TMsgResult::Yes;
    asking_ = false;
    // The batch may have ended while the question was up.
    if (!stop || ending_ || !controller_->Running()) return;
    controller_->Cancel();
    cancelling_ = true;
    btnCancel->setEnabled(false);
    Render(model_.View());
}

void TfrmProgress::closeEvent(QCloseEvent* event) {
    if (controller_ && controller_->Running() && !ending_) {
        btnCancelClick();
        event->ignore();
        return;
    }
    Timer1->stop();
    event->accept();
}

void TfrmProgress::reject() {
    close();
}

void TfrmProgress::Timer1Timer() {
    const Bitmap24* frame = host_.PreviewFrame();
    if (!frame || frame->Width() <= 0 || frame->Height() <= 0) return;
    ShowLivePicture(*frame);
}

// The snapshot's small picture keeps its fixed size; the label shows the frame at its own.
void TfrmProgress::ShowLivePicture(const Bitmap24& frame) {
    live_ = LivePicture(frame);
    const QSize area = imgPreview->size().expandedTo(live_.size());
    imgPreview->setPixmap(
        QPixmap::fromImage(area == live_.size() ? live_ : LivePicture(frame, area.width(), area.height())));
}

void TfrmProgress::imgbtnSnapClick() {
    const Bitmap24* frame = host_.PreviewFrame();
    if (!frame || frame->Empty()) return;
    snapshots_.Save(ImageOfBitmap(*frame), live_);
}

} // namespace orvel
