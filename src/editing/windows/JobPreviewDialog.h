#pragma once
// What the three editing dialogs share: a modal dialog over a copy of one job that hands the
// edited copy back on Ok, with a preview player whose four events reach the dialog's handlers.
#include "editing/JobDialog.h"
#include "player/MediaPlayer.h"

#include <QDialog>

#include <functional>
#include <initializer_list>
#include <optional>

class QAbstractButton;
class QEvent;
class QKeyEvent;
class QPushButton;

namespace orvel {

class TJobPreviewDialog : public QDialog, public IJobDialog {
public:
    using QDialog::QDialog;

    std::optional<TlvFilesRecord> Edit(const TlvFilesRecord& job) override {
        // Modal from its first showing, so the preview opens with the dialog already on screen.
        setWindowModality(Qt::ApplicationModal);
        Open(job);
        exec();
        return result_;
    }
    // Edit without the modal loop (tests, the window tour): shows the dialog and opens the
    // preview; Ok or Cancel then closes it and Result() holds the answer.
    virtual void Open(const TlvFilesRecord& job) = 0;
    const std::optional<TlvFilesRecord>& Result() const { return result_; }

    virtual void FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                                  int& screenHeight) = 0;
    virtual void FFPlayerPosition(int64_t position) = 0;
    virtual void FFPlayerState(TPlayState state) = 0;
    // Runs on the player's decoding thread.
    virtual void FFPlayerHook(Bitmap24& frame) = 0;

    // Ok hands back the job with the dialog's edits; Cancel hands back nothing.
    void btnOkClick();
    void btnCancelClick();

protected:
    void AttachPlayer(IMediaPlayer& player);
    // Ok is the dialog's default: Enter anywhere is Ok (no other button takes Enter when it has
    // the focus; Space presses the focused button), and Esc is Cancel. Call after the last button.
    void ConnectOkCancel(QPushButton* ok, QPushButton* cancel);
    // The preview's keys (Space, Left, Right, Home, End) work while one of watched has the focus
    // and whenever such a key reaches the dialog unused. play and pause are the preview's buttons.
    void WatchPreviewKeys(IMediaPlayer& player, QAbstractButton* play, QAbstractButton* pause,
                          std::function<int64_t()> duration, std::initializer_list<QWidget*> watched);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A key of the dialog's own that reached the dialog unused; true when taken.
    virtual bool DialogKey(int key);
    // Ok goes ahead only when the dialog can take what its fields hold.
    virtual bool CanApply();
    // The start of an opening: the job to edit, and no answer yet.
    void TakeJob(const TlvFilesRecord& job);
    // Loads the player's libraries from beside the program and opens the job's source on screen.
    bool OpenSource(IMediaPlayer& player, IDisplaySurface* screen) const;
    // A left-button release inside the slider: the end of a click or drag on it.
    static bool SliderReleased(const QWidget* slider, const QObject* watched, const QEvent* event);

    // Every way of closing ends the preview; only Ok has set a result.
    void done(int result) override;
    virtual void StopPreview(bool accepted) = 0;
    // The dialog's edits, written into the copy of the job that Ok hands back.
    virtual void ApplyEdits(TlvFilesRecord& job) const = 0;

    TlvFilesRecord job_;
    std::optional<TlvFilesRecord> result_;

private:
    bool PreviewKey(const QKeyEvent& event);
    void TogglePlay();

    IMediaPlayer* keysPlayer_ = nullptr;
    QAbstractButton *playButton_ = nullptr, *pauseButton_ = nullptr;
    std::function<int64_t()> duration_;
    bool steppingPicture_ = false; // playing until the next picture shows, then pausing
};

} // namespace orvel
