#pragma once
// "File infomation": container, video and audio facts of one job's source file, read through a
// conversion component of the window's own. Created on first use and kept; every showing
// reads the file again, and closing releases it.
#include "app/store/DialogRoles.h"
#include "app/store/MessageBoxes.h"
#include "auxiliary/FileInfoModel.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <string>

namespace orvel {

inline constexpr int kFileInfoWidth = 420;
inline constexpr int kFileInfoHeight = 460;

class TfrmFileInfo : public QDialog, public IFileInfoDialog {
    Q_OBJECT
public:
    TfrmFileInfo(std::string libraryFolder, IMessageBoxes& boxes, QWidget* parent = nullptr);

    // The file the next showing reads; nothing when the job list is empty.
    void SetSourceFile(std::optional<std::string> sourceFile) { sourceFile_ = std::move(sourceFile); }
    // Shows the window modally about the file; an empty name stands for an empty job list.
    void ShowFile(const std::string& sourceFile) override;

    void FormShow();
    void btn1Click();
    void FormCloseQuery();

    const TFileInfoModel& Model() const { return model_; }

    QLabel* lbl1;
    QLabel* lblSourceName;
    QLabel* lbl3;
    QLabel* lblFileLength;
    QGroupBox* grpbx1;
    QLabel* lbl5;
    QLineEdit* edtFormat;
    QLabel* lbl6;
    QLineEdit* edtResloution;
    QLabel* lbl13;
    QLineEdit* edtBitRate;
    QLabel* lbl7;
    QLineEdit* edtFrameRate;
    QLabel* lbl8;
    QLineEdit* edtTotalFrame;
    QGroupBox* grpbx2;
    QLabel* lbl9;
    QLineEdit* edtAudioForamt;
    QLabel* lbl12;
    QLineEdit* edtAudioBitRate;
    QLabel* lbl10;
    QLineEdit* edtSampleRate;
    QLabel* lbl11;
    QLineEdit* edtChannel;
    QPushButton* btn1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void Render(const TFileInfoView& view);

    TFileInfoModel model_;
    IMessageBoxes& boxes_;
    std::optional<std::string> sourceFile_;
};

} // namespace orvel
