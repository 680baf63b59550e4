#include "formats/windows/frmSettings.h"

#include "formats/windows/SelectorCombo.h"
#include "ui/Accessibility.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace orvel {

TfrmSettings::TfrmSettings(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes), model_(store, boxes) {
    // The dialog's own catalog: its list drops down below the name box, and a choice stays in
    // the dialog until Ok.
    catalog = new TCatalogPanel(store.SettingsIniPath(), TCatalogPanelOptions::SettingsDialog(), this, this);
    catalog->setObjectName("catalog");
    setObjectName("frmSettings");
    setWindowTitle("Settings");
    CreateControls();
    Render(model_.View());
}

void TfrmSettings::CreateControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(8);

    auto* format = new QHBoxLayout;
    Label1 = new QLabel("Output Format:", this);
    Label1->setObjectName("Label1");
    format->addWidget(Label1);
    LabelControl(Label1, catalog->edt1);
    catalog->imgbtn1->setAccessibleName("Show the formats");
    catalog->lst1->setAccessibleName("Formats");
    format->addWidget(catalog, 1);
    root->addLayout(format);

    auto combo = [this](TPanelSelector box, QWidget* parent) {
        QComboBox* c = NewSelectorCombo(box, parent, combos_);
        c->installEventFilter(this);
        return c;
    };
    auto group = [&](const char* title, const char* name, std::initializer_list<TPanelSelector> boxes) {
        auto* g = new QGroupBox(title, this);
        g->setObjectName(name);
        // Each caption above its box: beside it, the longest items would not fit the window.
        auto* column = new QVBoxLayout(g);
        column->setContentsMargins(8, 4, 8, 6);
        column->setSpacing(1);
        for (const TPanelSelector box : boxes) {
            auto* caption = new QLabel(SelectorCaption(box), g);
            QComboBox* c = combo(box, g);
            column->addWidget(caption);
            column->addWidget(c);
            column->addSpacing(3);
            LabelControl(caption, c);
        }
        return g;
    };
    auto* groups = new QHBoxLayout;
    using S = TPanelSelector;
    grpbxVideo = group("Video Options", "grpbxVideo",
                       {S::VideoSize, S::VideoBitRate, S::VideoEncoder, S::FrameRate, S::Zoom});
    grpbxAudio = group("Audio Options", "grpbxAudio",
                       {S::SampleRate, S::AudioBitRate, S::AudioEncoder, S::Channel, S::Volume});
    groups->setSpacing(8);
    groups->addWidget(grpbxVideo, 1);
    groups->addWidget(grpbxAudio, 1);
    root->addLayout(groups, 1);
    cmbVideoSize = Combo(TPanelSelector::VideoSize);
    cmbVideoBitRate = Combo(TPanelSelector::VideoBitRate);
    cmbVideoEncoder = Combo(TPanelSelector::VideoEncoder);
    cmbFrameRate = Combo(TPanelSelector::FrameRate);
    cmbZoom = Combo(TPanelSelector::Zoom);
    cmbSamplerate = Combo(TPanelSelector::SampleRate);
    cmbAudioBitRate = Combo(TPanelSelector::AudioBitRate);
    cmbAudioEncoder = Combo(TPanelSelector::AudioEncoder);
    cmbChannel = Combo(TPanelSelector::Channel);
    cmbVolume = Combo(TPanelSelector::Volume);

    auto* buttons = new QHBoxLayout;
    btnDefault = new QPushButton("&Default", this);
    btnDefault->setObjectName("btnDefault");
    btnOk = new QPushButton("&Ok", this);
    btnOk->setObjectName("btnOk");
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnOk->setDefault(true);
    cbOutputFormat = new QComboBox(this);
    cbOutputFormat->setObjectName("cbOutputFormat");
    cbOutputFormat->hide();
    buttons->addWidget(btnDefault);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    for (int i = 0; i < kPanelSelectorCount; ++i)
        Connect(static_cast<TPanelSelector>(i));
    connect(catalog, &TCatalogPanel::FormatChanged, this, [this](int) {
        if (!showing_) edt1Change(catalog->CurrentCodeText(), catalog->CurrentName());
    });
    connect(btnDefault, &QPushButton::clicked, this, &TfrmSettings::btnDefaultClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmSettings::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);
}

void TfrmSettings::Connect(TPanelSelector box) {
    QComboBox* c = Combo(box);
    // activated and textEdited come from the user only, so Render never feeds the model back.
    connect(c, &QComboBox::activated, this, [this, box](int index) {
        model_.ItemChosen(box, index);
        Render(model_.View());
    });
    if (QLineEdit* edit = c->lineEdit())
        connect(edit, &QLineEdit::textEdited, this,
                [this, box](const QString& text) { model_.TextChanged(box, text.toStdString()); });
}

void TfrmSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmSettings::FormShow() {
    setFixedSize(kSettingsWidth, kSettingsHeight);
    showing_ = true;
    catalog->Fill();
    model_.FormShow();
    catalog->SetCurrent(model_.View().CurrentCode, model_.View().CurrentName);
    showing_ = false;
    Render(model_.View());
}

void TfrmSettings::edt1Change(const std::string& code, const std::string& name) {
    model_.FormatChosen(code, name);
    Render(model_.View());
}

void TfrmSettings::btnDefaultClick() {
    model_.btnDefaultClick();
    Render(model_.View());
}

void TfrmSettings::btnOkClick() {
    if (!model_.btnOkClick([this] { catalog->SaveState(); })) {
        // Nothing looks stored that is not: the dialog stays open for another try or Cancel.
        boxes_.Show("The settings could not be written to " + model_.SettingsPath() + ".", ApplicationTitle(),
                    TMsgIcon::Warning, TMsgButtons::Ok);
        return;
    }
    accept();
    if (OnCommitted) OnCommitted();
}

void TfrmSettings::btnCancelClick() {
    reject();
}

void TfrmSettings::BoxExit(TPanelSelector box) {
    const bool refocus = model_.BoxExit(box);
    Render(model_.View());
    if (refocus) Combo(box)->setFocus(Qt::OtherFocusReason);
}

void TfrmSettings::cmbVideoSizeExit() {
    BoxExit(TPanelSelector::VideoSize);
}
void TfrmSettings::cmbVideoBitRateExit() {
    BoxExit(TPanelSelector::VideoBitRate);
}
void TfrmSettings::cmbAudioBitRateExit() {
    BoxExit(TPanelSelector::AudioBitRate);
}
void TfrmSettings::cmbSamplerateExit() {
    BoxExit(TPanelSelector::SampleRate);
}

bool TfrmSettings::eventFilter(QObject* watched, QEvent* event) {
    const int index = EditableSelectorOf(combos_, watched);
    if (index < 0) return QDialog::eventFilter(watched, event);
    const auto box = static_cast<TPanelSelector>(index);
    // Typing reaches the combo box, which hands the key to its edit field without filters.
    if (event->type() == QEvent::KeyPress)
        return FilterTypedKey(*static_cast<QKeyEvent*>(event),
                              [&](char typed) { return model_.KeyPress(box, typed); });
    // Opening the box's own list is no leaving; a hidden dialog (Cancel, close box) checks nothing.
    if (event->type() == QEvent::FocusOut && watched == Combo(box) && isVisible() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        BoxExit(box);
    return false;
}

void TfrmSettings::Render(const TSettingsDialogView& view) {
    RenderSelectors(combos_, view.Boxes.Selectors);
}

} // namespace orvel
