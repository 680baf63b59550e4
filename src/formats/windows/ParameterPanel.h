#pragma once
// The "Video Options" and "Audio Options" group boxes with their ten selectors and the
// "Default" button. Every handler passes the user's action to the panel model and renders the
// model's view; nothing else writes to the selectors.
#include "formats/ParameterPanelModel.h"
#include "formats/windows/SelectorCombo.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>

#include <array>

namespace orvel {

class TParameterPanel : public QWidget {
    Q_OBJECT
public:
    TParameterPanel(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent = nullptr);

    // The current format changed: fill the selectors for its code.
    void Load(int code);
    // The size check and store of leaving the size box; a conversion start runs it too.
    void cmbVideoSizeExit();
    const TParameterPanelModel& Model() const { return model_; }

    QGroupBox* grpVideo;
    QGroupBox* grpAudio;
    QComboBox* cmbVideoSize;
    QComboBox* cmbVideoEncoder;
    QComboBox* cmbVideoBitRate;
    QComboBox* cmbFrameRate;
    QComboBox* cmbZoom;
    QComboBox* cmbSamplerate;
    QComboBox* cmbAudioEncoder;
    QComboBox* cmbChannel;
    QComboBox* cmbVolume;
    QComboBox* cmbAudioBitRate;
    QPushButton* btnDefault;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void Connect(TPanelSelector selector);
    void btnDefaultClick();
    void Render(const TParameterPanelView& view);
    QComboBox* Combo(TPanelSelector selector) const { return combos_[static_cast<size_t>(selector)]; }

    TParameterPanelModel model_;
    TSelectorCombos combos_{};
};

} // namespace orvel
