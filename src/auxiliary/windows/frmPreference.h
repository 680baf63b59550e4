#pragma once
// "Preference": the snapshot folder, sizes, file formats and JPEG quality, and the conversion
// worker's priority. Created on first use and kept; every showing reloads the stored values,
// and only Ok stores them (a folder picked with Brows is stored at once).
#include "app/store/DialogRoles.h"
#include "auxiliary/PreferenceModel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <array>

namespace orvel {

class IFolderChooser;
class IMessageBoxes;
class ISystemActions;

inline constexpr int kPreferenceWidth = 480;
inline constexpr int kPreferenceHeight = 390;

class TfrmPreference : public QDialog, public IModalDialog {
    Q_OBJECT
public:
    TfrmPreference(TAppSettings settings, IFolderChooser& folderChooser, ISystemActions& system,
                   IMessageBoxes& boxes, QWidget* parent = nullptr);

    void ShowModal() override { exec(); }

    void FormShow();
    void btnBrowsClick();
    void btnOpenClick();
    void btnDefaultClick();
    void btnOkClick();
    void btnCancelClick();
    void ckSmallSizeClick();
    void ckFullSizeClick();
    void ckBmpClick();
    void ckJpgClick();
    void trcCmpChange();
    void spedCmpChange();

    const TPreferenceModel& Model() const { return model_; }

    QGroupBox* grpbx2;
    QLabel* lbl1;
    QLineEdit* edtSnapDirectory;
    QPushButton* btnBrows;
    QPushButton* btnOpen;
    QLabel* lbl2;
    QCheckBox* ckSmallSize;
    QCheckBox* ckFullSize;
    QLabel* lbl3;
    QCheckBox* ckBmp;
    QCheckBox* ckJpg;
    QLabel* lbl4;
    QLabel* lbl5;
    QSpinBox* spedCmp;
    QSlider* trcCmp;
    QGroupBox* rdGrpPriority;
    QButtonGroup* priorityItems;
    std::array<QRadioButton*, kPriorityItemCount> rdPriority{};
    QPushButton* btnDefault;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void Connect();
    void ReportUnsaved();
    void Render(const TPreferenceView& view);

    TPreferenceModel model_;
    IFolderChooser& folderChooser_;
    ISystemActions& system_;
    IMessageBoxes& boxes_;
};

} // namespace orvel
