#pragma once
// The watermark and effects dialog: text, overlay picture and colour effects, with a preview
// that draws every frame with the values the controls show at that frame. Made at each opening.
#include "app/store/OpenFileDialog.h"
#include "editing/PreviewHook.h"
#include "editing/WaterMarkModel.h"
#include "editing/windows/JobPreviewDialog.h"
#include "player/MediaPlayer.h"

#include <QPointF>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace orvel {

class TVideoPanel;

class TfrmWaterMark : public TJobPreviewDialog {
    Q_OBJECT
public:
    TfrmWaterMark(IPlayerFactory& players, IOpenFileDialog& fileDialog, QWidget* parent = nullptr);
    ~TfrmWaterMark() override;

    void Open(const TlvFilesRecord& job) override;
    const TWaterMarkModel& Model() const { return model_; }

    void FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                          int& screenHeight) override;
    void FFPlayerPosition(int64_t position) override;
    void FFPlayerState(TPlayState state) override;
    void FFPlayerHook(Bitmap24& frame) override;
    void spdBtnPlayClick();
    void spdBtnPauseClick();
    void edtFontChange(const QString& text);
    void suiFontCmbChange(const QString& face);
    void suiFontSizeCmbChange(const QString& size);
    void suiColorBoxcmbChange(int index);
    void suiChkStyleClick(TWaterMarkModel::TStyle style, bool on);
    void trcTextHorizChange(int position);
    void trcTextVertChange(int position);
    void trcImageHorizChange(int position);
    void trcImageVertChange(int position);
    void trcImageAlphaChange(int position);
    void rbTransparentClick(int style);
    void trcBrightnessChange(int position);
    void trcContrastChange(int position);
    void trcSaturationChange(int position);
    void trcExposureChange(int position);
    void chkProcessTextClick(bool on);
    void chkProcessImageClick(bool on);
    void btnBrowsClick();
    void btnClearImageClick();
    void btnClearTextClick();
    void btnResetClick();

    QTabWidget* pageControl;
    QWidget *suiTabSheet1, *suiTabSheet2, *suiTabSheet3;
    // Add Text
    QComboBox *suiFontCmb, *suiFontSizeCmb, *suiColorBoxcmb;
    QCheckBox *suiChkBold, *suiChkItalic, *suiChkUnderline, *suiChkStrikeOut;
    QLineEdit* edtFont;
    QSlider *trcTextHoriz, *trcTextVert;
    QLineEdit *edtTextHoriz, *edtTextVert;
    QPushButton* btnClearText;
    // Add Image
    QLineEdit* edtAddImage;
    QPushButton* btnBrows;
    QSlider *trcImageHoriz, *trcImageVert, *trcImageAlpha;
    QLineEdit *edtImageHoriz, *edtImageVert, *edtImageAlpha;
    QRadioButton *rbTransparent1, *rbTransparent2;
    QPushButton* btnClearImage;
    // Effect
    QSlider *trcBrightness, *trcContrast, *trcSaturation, *trcExposure;
    QSpinBox *spedtBrightness, *spedtContrast, *spedtSaturation, *spedtExposure;
    QCheckBox *chkProcessText, *chkProcessImage;
    QPushButton* btnReset;
    // Preview
    QGroupBox* grpSourcePreview;
    TVideoPanel* imgPreview;
    QToolButton *spdBtnPlay, *spdBtnPause;
    QSlider* trcPreview;
    QLabel *lblPTS, *lblLength;
    QPushButton *btnOk, *btnCancel;

protected:
    void StopPreview(bool accepted) override;
    void ApplyEdits(TlvFilesRecord& job) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTextPage();
    void BuildImagePage();
    void BuildEffectPage();
    void BuildPreview();
    void LayOut();
    // Every control change: the model, then the hook's snapshot, then the widgets.
    template <class F> void Change(F&& change);
    // Dragging the text or the picture on the preview; true when the event was taken.
    bool DragOnPreview(QEvent* event);
    void Render(const TWaterMarkView& view);
    void FillLists();

    std::unique_ptr<IMediaPlayer> FFPlayer;
    IOpenFileDialog& fileDialog_;
    TWaterMarkModel model_;
    TPreviewHook hook_;
    bool opened_ = false; // a file plays: the hook draws
    struct TDrag {
        TWaterMarkLayer Layer = TWaterMarkLayer::None;
        QPointF From;            // where the button went down, in the preview
        int Horiz = 0, Vert = 0; // the layer's place then
    } drag_;
};

} // namespace orvel
