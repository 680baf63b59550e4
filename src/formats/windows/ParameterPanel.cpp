#include "formats/windows/ParameterPanel.h"

#include "formats/windows/SelectorCombo.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace orvel {

TParameterPanel::TParameterPanel(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent)
    : QWidget(parent), model_(store, boxes) {
    CreateControls();
    Render(model_.View());
}

void TParameterPanel::CreateControls() {
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(6);

    auto combo = [this](TPanelSelector selector, QWidget* parent) {
        QComboBox* box = NewSelectorCombo(selector, parent, combos_);
        box->setMinimumWidth(80);
        // Typed keys and the focus leaving reach the box, which passes them to its edit field
        // past any filter there.
        if (box->isEditable()) box->installEventFilter(this);
        return box;
    };
    // Three selectors a row, each caption above its box, so the longest captions and items fit.
    auto group = [&](const char* title, const char* name, std::initializer_list<TPanelSelector> selectors) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(name);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 2, 6, 4);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(0);
        int i = 0;
        for (const TPanelSelector selector : selectors) {
            const int row = (i / 3) * 2, column = i % 3;
            grid->addWidget(new QLabel(SelectorCaption(selector), box), row, column);
            grid->addWidget(combo(selector, box), row + 1, column);
            ++i;
        }
        for (int c = 0; c < 3; ++c)
            grid->setColumnStretch(c, 1);
        grid->setRowMinimumHeight(1, 26);
        root->addWidget(box, 1);
        return box;
    };
    using S = TPanelSelector;
    grpVideo = group("Video Options", "grpVideo",
                     {S::VideoSize, S::VideoEncoder, S::VideoBitRate, S::FrameRate, S::Zoom});
    grpAudio = group("Audio Options", "grpAudio",
                     {S::SampleRate, S::AudioEncoder, S::Channel, S::Volume, S::AudioBitRate});
    cmbVideoSize = Combo(TPanelSelector::VideoSize);
    cmbVideoEncoder = Combo(TPanelSelector::VideoEncoder);
    cmbVideoBitRate = Combo(TPanelSelector::VideoBitRate);
    cmbFrameRate = Combo(TPanelSelector::FrameRate);
    cmbZoom = Combo(TPanelSelector::Zoom);
    cmbSamplerate = Combo(TPanelSelector::SampleRate);
    cmbAudioEncoder = Combo(TPanelSelector::AudioEncoder);
    cmbChannel = Combo(TPanelSelector::Channel);
    cmbVolume = Combo(TPanelSelector::Volume);
    cmbAudioBitRate = Combo(TPanelSelector::AudioBitRate);

    // "stereo 2 channels" is the longest item of all.
    static_cast<QGridLayout*>(grpAudio->layout())->setColumnStretch(2, 5);
    for (int c = 0; c < 2; ++c)
        static_cast<QGridLayout*>(grpAudio->layout())->setColumnStretch(c, 4);
    // The Default button takes the audio group's free place: it resets both groups.
    btnDefault = new QPushButton("Default", grpAudio);
    btnDefault->setObjectName("btnDefault");
    static_cast<QGridLayout*>(grpAudio->layout())->addWidget(btnDefault, 3, 2, Qt::AlignBottom);

    for (int i = 0; i < kPanelSelectorCount; ++i)
        Connect(static_cast<TPanelSelector>(i));
    connect(btnDefault, &QPushButton::clicked, this, &TParameterPanel::btnDefaultClick);
}

void TParameterPanel::Connect(TPanelSelector selector) {
    QComboBox* box = Combo(selector);
    // activated and textEdited come from the user only, so Render never triggers a store.
    connect(box, &QComboBox::activated, this, [this, selector](int index) {
        model_.ItemChosen(selector, index);
        Render(model_.View());
    });
    if (QLineEdit* edit = box->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, [this, selector](const QString& text) {
            model_.TextChanged(selector, text.toStdString());
            if (selector != TPanelSelector::VideoSize) Render(model_.View());
        });
}

void TParameterPanel::Load(int code) {
    model_.Load(code);
    Render(model_.View());
}

void TParameterPanel::cmbVideoSizeExit() {
    model_.TextChanged(TPanelSelector::VideoSize, cmbVideoSize->currentText().toStdString());
    model_.VideoSizeExit();
    Render(model_.View());
}

void TParameterPanel::btnDefaultClick() {
    model_.Default();
    Render(model_.View());
}

bool TParameterPanel::eventFilter(QObject* watched, QEvent* event) {
    const int index = EditableSelectorOf(combos_, watched);
    if (index < 0) return QWidget::eventFilter(watched, event);
    const auto selector = static_cast<TPanelSelector>(index);
    if (event->type() == QEvent::KeyPress)
        return FilterTypedKey(*static_cast<QKeyEvent*>(event), [&](char typed) {
            return selector == TPanelSelector::VideoSize ? model_.VideoSizeKeyPress(typed)
                                                         : model_.NumberKeyPress(typed);
        });
    if (event->type() == QEvent::FocusOut && selector == TPanelSelector::VideoSize &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        cmbVideoSizeExit();
    return false;
}

void TParameterPanel::Render(const TParameterPanelView& view) {
    RenderSelectors(combos_, view.Selectors);
}

} // namespace orvel
