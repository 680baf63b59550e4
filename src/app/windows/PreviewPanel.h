#pragma once
// The main window's preview panel: a small player for the selected job with a seek bar, the
// position and length, Play, Pause, Stop, a snapshot button, mute and volume. The window it
// sits in chooses what to play through IPreviewHost.
#include "app/PreviewPanelModel.h"
#include "ui/VideoPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <memory>
#include <string>

namespace orvel {

class IPreviewHost {
public:
    virtual ~IPreviewHost() = default;
    virtual bool ListEmpty() const = 0;
    // The source of the selected row; with none selected the first row is selected and its
    // source answered.
    virtual std::string FileToPreview() = 0;
    // Adds files with the preview to start after the add.
    virtual void AddThenPlay() = 0;
};

class TPreviewPanel : public QGroupBox {
    Q_OBJECT
public:
    // libraryFolder: where the player's libraries are loaded from.
    TPreviewPanel(IMediaPlayer& player, TAppSettings& settings, TSnapshotWriter& snapshots,
                  ISystemActions& system, std::string libraryFolder, QWidget* parent = nullptr);
    ~TPreviewPanel() override;

    void SetHost(IPreviewHost* host) { host_ = host; }
    // The stored volume and mute, at the main window's show.
    void RestoreVolume();

    // Handlers, named as the panel's controls.
    void imgbtnPlayClick();
    void imgbtnPAuseClick();
    void imgbtnStopClick();
    void imgbtnSnapClick();
    void trcPreviewReleased();
    void trcVolumeChange(int volume);
    void trcVolumeReleased();
    void ckMuteClick(bool checked);

    bool Stopped() const { return model_.Stopped(); }
    TVideoPanel* Screen() const { return pan1; }

signals:
    // A line for the main window's hidden log.
    void LogLine(const QString& line);

protected:
    // The left button released over the seek bar seeks to where it was released.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectPlayer();
    void Render(const TPreviewPanelView& view);
    void FlushLog();
    bool PictureKey(const QKeyEvent& key);

    IMediaPlayer& player_;
    TPreviewPanelModel model_;
    IPreviewHost* host_ = nullptr;
    std::string openFile_;

    TVideoPanel* pan1;
    QSlider* trcPreview;
    QLabel* lblTime;
    QLabel* lblPTS;
    QPushButton* imgbtnPlay;
    QPushButton* imgbtnPAuse;
    QPushButton* imgbtnStop;
    QPushButton* imgbtnSnap;
    QCheckBox* ckMute;
    QSlider* trcVolume;
};

} // namespace orvel
