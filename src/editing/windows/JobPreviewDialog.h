#pragma once
// What the three editing dialogs share: a modal dialog over a copy of one job that hands the
// edited copy back on Ok, with a preview player whose four events reach the dialog's handlers.
#include "editing/JobDialog.h"
#include "player/MediaPlayer.h"

#include <QDialog>

#include <optional>

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

protected:
    void AttachPlayer(IMediaPlayer& player) {
        player.SetOnFileOpen([this](IMediaPlayer*, int64_t duration, int fw, int fh, int& sw, int& sh) {
            FFPlayerFileOpen(duration, fw, fh, sw, sh);
        });
        player.SetOnPosition([this](IMediaPlayer*, int64_t pts) { FFPlayerPosition(pts); });
        player.SetOnState([this](IMediaPlayer*, TPlayState state) { FFPlayerState(state); });
        player.SetOnHook([this](IMediaPlayer*, Bitmap24& frame, int64_t) { FFPlayerHook(frame); });
    }

    std::optional<TlvFilesRecord> result_;
};

} // namespace orvel
