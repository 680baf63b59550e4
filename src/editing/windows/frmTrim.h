#pragma once
// The trim dialog: the user plays the job's source, takes a start and an end from the playing
// position, and Ok hands back the job with its trim range. Made once and kept for the run.
#include "editing/PreviewHook.h"
#include "editing/TrimModel.h"
#include "editing/windows/JobPreviewDialog.h"
#include "player/MediaPlayer.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace orvel {

class TSelectionSlider;
class TVideoPanel;

class TfrmTrim : public TJobPreviewDialog {
    Q_OBJECT
public:
    TfrmTrim(IPlayerFactory& players, QWidget* parent = nullptr);
    ~TfrmTrim() override;

    void Open(const TlvFilesRecord& job) override;

    IMediaPlayer& Player() { return *FFPlayer; }
    TPreviewHook& Hook() { return hook_; }
    const TTrimModel& Model() const { return model_; }

    // Handlers, named after the controls and events they serve.
    void FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                          int& screenHeight) override;
    void FFPlayerPosition(int64_t position) override;
    void FFPlayerState(TPlayState state) override;
    void FFPlayerHook(Bitmap24& frame) override;
    void btnOk1Click();
    void btnOk2Click();
    void btnResetClick();
    void imgbtnPlayClick();
    void imgbtnpauseClick();
    void trcPreviewRelease();
    // A start or end typed into its field, taken when the user leaves it or presses Enter.
    void edtStartTyped();
    void edtEndTyped();

    QTabWidget* pageEdit;
    QWidget* tabCrop;
    QLabel *Label2, *lbl4, *Label1, *lbl5, *Label3, *lbl6, *lbl1, *lblSourceName, *lblPTS, *lblLength;
    QLabel* lblTimeError;
    QLineEdit *edtStart, *edtEnd, *edtTrimLength;
    QPushButton *btnOk1, *btnOk2, *btnReset, *btnDefault, *btnOk, *btnCancel;
    TVideoPanel* imgPreview;
    TSelectionSlider* trcPreview;
    QToolButton *imgbtnPlay, *imgbtnpause;

protected:
    void StopPreview(bool accepted) override;
    void ApplyEdits(TlvFilesRecord& job) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool DialogKey(int key) override; // I and O take the start and the end
    bool CanApply() override;

private:
    void Render(const TTrimView& view);
    void PublishHookSettings();
    void Typed(QLineEdit* field, const std::string& problem);
    void ShowTimeError(const std::string& problem);

    std::unique_ptr<IMediaPlayer> FFPlayer;
    TTrimModel model_;
    TPreviewHook hook_;
};

} // namespace orvel
