#pragma once
// The trim dialog: the user plays the job's source, takes a start and an end from the playing
// position, and Ok hands back the job with its trim range. Made once and kept for the run.
#include "app/MainDialogs.h"
#include "editing/PreviewHook.h"
#include "editing/TrimModel.h"
#include "player/MediaPlayer.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace orvel {

class TSelectionSlider;
class TVideoPanel;

class TfrmTrim : public QDialog, public IJobDialog {
    Q_OBJECT
public:
    TfrmTrim(IPlayerFactory& players, QWidget* parent = nullptr);
    ~TfrmTrim() override;

    std::optional<TlvFilesRecord> Edit(const TlvFilesRecord& job) override;
    // Edit without the modal loop, for tests and the window tour: shows the dialog and opens the
    // preview; Ok or Cancel then closes it and Result() holds the answer.
    void Open(const TlvFilesRecord& job);
    const std::optional<TlvFilesRecord>& Result() const { return result_; }

    IMediaPlayer& Player() { return *FFPlayer; }
    TPreviewHook& Hook() { return hook_; }
    const TTrimModel& Model() const { return model_; }

    // Handlers, named after the controls and events they serve.
    void FFPlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight);
    void FFPlayerPosition(int64_t position);
    void FFPlayerState(TPlayState state);
    void FFPlayerHook(Bitmap24& frame);
    void btnOk1Click();
    void btnOk2Click();
    void btnResetClick();
    void btnOkClick();
    void btnCancelClick();
    void imgbtnPlayClick();
    void imgbtnpauseClick();
    void trcPreviewRelease();

    QTabWidget* pageEdit;
    QWidget* tabCrop;
    QLabel *Label2, *lbl4, *Label1, *lbl5, *Label3, *lbl6, *lbl1, *lblSourceName, *lblPTS, *lblLength;
    QLineEdit *edtStart, *edtEnd, *edtTrimLength;
    QPushButton *btnOk1, *btnOk2, *btnReset, *btnDefault, *btnOk, *btnCancel;
    TVideoPanel* imgPreview;
    TSelectionSlider* trcPreview;
    QToolButton *imgbtnPlay, *imgbtnpause;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Render(const TTrimView& view);
    void PublishHookSettings();

    std::unique_ptr<IMediaPlayer> FFPlayer;
    TTrimModel model_;
    TPreviewHook hook_;
    TlvFilesRecord job_;
    std::optional<TlvFilesRecord> result_;
};

} // namespace orvel
