#pragma once
// The crop dialog: the user drags a rubber band over the playing picture or steps four margins,
// and Ok hands back the job with the margins in even source pixels. Made at each opening.
#include "editing/CropModel.h"
#include "editing/FrameCopy.h"
#include "editing/PreviewHook.h"
#include "editing/windows/JobPreviewDialog.h"
#include "player/MediaPlayer.h"

#include <memory>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;

namespace orvel {

class RectTracker;
class TVideoPanel;

class TfrmCrop : public TJobPreviewDialog {
    Q_OBJECT
public:
    TfrmCrop(IPlayerFactory& players, QWidget* parent = nullptr);
    ~TfrmCrop() override;

    void Open(const TlvFilesRecord& job) override;

    const TCropModel& Model() const { return model_; }

    void FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                          int& screenHeight) override;
    void FFPlayerPosition(int64_t position) override;
    void FFPlayerState(TPlayState state) override;
    void FFPlayerHook(Bitmap24& frame) override;
    void TimerTimer();
    void trcPreviewChange(int position);
    void imgbtnPlayClick();
    void imgbtnpauseClick();
    void RectTrackerMouseDown();
    void RectTrackerMouseMove();
    void spedChange(TCropMargin margin, int value);
    void btnResetClick();
    void btnDetectClick(); // proposes the margins from the source's black bars

    QTabWidget* pageEdit;
    QWidget* tabCrop;
    QGroupBox* grpbxCrop;
    QLabel *lblUp, *lblDown, *lblLeft, *lblRight;
    QSpinBox *spedUp, *spedDown, *spedLeft, *spedRight;
    QPushButton *btnReset, *btnDetect, *btnDefault, *btnOk, *btnCancel;
    QLabel* lblSourceMargins;
    QLabel* imgPreview;
    RectTracker* rectTracker;
    TVideoPanel* pan1;
    QLabel *lbl2, *lblSourceName, *lbl1, *lblPTS, *lblLength1, *lblLength;
    QSlider* trcPreview;
    QToolButton *imgbtnPlay, *imgbtnpause;
    QTimer* Timer;
    QComboBox* cmbZoom;
    QLabel* lblZoom;

protected:
    void StopPreview(bool accepted) override;
    void ApplyEdits(TlvFilesRecord& job) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Render(const TCropView& view);
    void PublishHookSettings();
    void PaintPreview(const QImage& picture);
    void SeekToSlider();

    std::unique_ptr<IMediaPlayer> FFPlayer;
    TCropModel model_;
    TPreviewHook hook_;
    TFrameCopy frameCopy_;
    int frameWidth_ = 0, frameHeight_ = 0; // as the player reported the opened file
    bool closed_ = false;
    std::string notice_; // what Detect Black Bars found wrong, until the margins change
};

} // namespace orvel
