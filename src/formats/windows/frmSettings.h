#pragma once
// "Settings": a format chosen from the dialog's own catalog and all ten of its parameters,
// edited together and written only on Ok. Created on first use and kept; every opening reloads
// the stored current format and its choices.
#include "app/store/DialogRoles.h"
#include "formats/SettingsDialogModel.h"
#include "formats/windows/CatalogPanel.h"
#include "formats/windows/SelectorCombo.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>
#include <functional>

namespace orvel {

class TfrmSettings : public QDialog, public IModalDialog {
    Q_OBJECT
public:
    TfrmSettings(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent = nullptr);

    void ShowModal() override { exec(); }

    void FormShow();
    // The dialog's current format changed in its catalog.
    void edt1Change(const std::string& code, const std::string& name);
    void btnDefaultClick();
    void btnOkClick();
    void btnCancelClick();
    void cmbVideoSizeExit();
    void cmbVideoBitRateExit();
    void cmbAudioBitRateExit();
    void cmbSamplerateExit();

    const TSettingsDialogModel& Model() const { return model_; }

    // After Ok has written everything: the main window refills its catalog, which reloads its
    // parameter panel from what the dialog wrote.
    std::function<void()> OnCommitted;

    QLabel* Label1;
    TCatalogPanel* catalog; // edt1, imgbtn1 and lst1
    QGroupBox* grpbxVideo;
    QComboBox* cmbVideoSize;
    QComboBox* cmbVideoBitRate;
    QComboBox* cmbVideoEncoder;
    QComboBox* cmbFrameRate;
    QComboBox* cmbZoom;
    QGroupBox* grpbxAudio;
    QComboBox* cmbSamplerate;
    QComboBox* cmbAudioBitRate;
    QComboBox* cmbAudioEncoder;
    QComboBox* cmbChannel;
    QComboBox* cmbVolume;
    QPushButton* btnDefault;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QComboBox* cbOutputFormat; // hidden and never filled

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void Connect(TPanelSelector box);
    void BoxExit(TPanelSelector box);
    QComboBox* Combo(TPanelSelector box) const { return combos_[static_cast<size_t>(box)]; }
    void Render(const TSettingsDialogView& view);

    IMessageBoxes& boxes_;
    TSettingsDialogModel model_;
    bool showing_ = false; // the catalog's refill while opening is no choice of a format
    TSelectorCombos combos_{};
};

} // namespace orvel
