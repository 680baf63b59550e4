#include "formats/windows/frmSettings.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>

namespace orvel {
namespace {

QStringList ToQt(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items)
        list << QString::fromStdString(item);
    return list;
}

// The character a key press types, as the key filters see it; nothing for keys that type
// nothing (arrows, Delete, shortcuts), which pass unfiltered.
std::optional<char> TypedChar(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Backspace) return '\b';
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const QString text = key.text();
    if (text.size() != 1 || !text[0].isPrint()) return std::nullopt;
    const char16_t c = text[0].unicode();
    return c < 0x80 ? static_cast<char>(c) : '?';
}

} // namespace

TfrmSettings::TfrmSettings(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes), model_(store, boxes) {
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
    format->addStretch(1);
    root->addLayout(format);

    auto combo = [this](TSettingsBox box, const char* name, QWidget* parent) {
        auto* c = new QComboBox(parent);
        c->setObjectName(name);
        c->setEditable(IsEditableBox(box));
        c->setInsertPolicy(QComboBox::NoInsert);
        c->installEventFilter(this);
        combos_[static_cast<size_t>(box)] = c;
        return c;
    };
    auto group = [&](const char* title, const char* name,
                     std::initializer_list<std::tuple<TSettingsBox, const char*, const char*>> rows) {
        auto* g = new QGroupBox(title, this);
        g->setObjectName(name);
        // Each caption above its box: beside it, the longest items would not fit the window.
        auto* column = new QVBoxLayout(g);
        column->setContentsMargins(8, 4, 8, 6);
        column->setSpacing(1);
        for (const auto& [box, label, comboName] : rows) {
            column->addWidget(new QLabel(label, g));
            column->addWidget(combo(box, comboName, g));
            column->addSpacing(3);
        }
        return g;
    };
    auto* groups = new QHBoxLayout;
    grpbxVideo = group("Video Options", "grpbxVideo",
                       {{TSettingsBox::VideoSize, "Frame Size:", "cmbVideoSize"},
                        {TSettingsBox::VideoBitRate, "BitRate (Kbps):", "cmbVideoBitRate"},
                        {TSettingsBox::VideoEncoder, "Encoder:", "cmbVideoEncoder"},
                        {TSettingsBox::FrameRate, "FrameRate (Fps):", "cmbFrameRate"},
                        {TSettingsBox::Zoom, "Zoom:", "cmbZoom"}});
    grpbxAudio = group("Audio Options", "grpbxAudio",
                       {{TSettingsBox::SampleRate, "SampleRate (Hz):", "cmbSamplerate"},
                        {TSettingsBox::AudioBitRate, "BitRate (Kbps):", "cmbAudioBitRate"},
                        {TSettingsBox::AudioEncoder, "Encoder:", "cmbAudioEncoder"},
                        {TSettingsBox::Channel, "Channel:", "cmbChannel"},
                        {TSettingsBox::Volume, "Volume:", "cmbVolume"}});
    groups->setSpacing(8);
    groups->addWidget(grpbxVideo, 1);
    groups->addWidget(grpbxAudio, 1);
    root->addLayout(groups, 1);
    cmbVideoSize = Combo(TSettingsBox::VideoSize);
    cmbVideoBitRate = Combo(TSettingsBox::VideoBitRate);
    cmbVideoEncoder = Combo(TSettingsBox::VideoEncoder);
    cmbFrameRate = Combo(TSettingsBox::FrameRate);
    cmbZoom = Combo(TSettingsBox::Zoom);
    cmbSamplerate = Combo(TSettingsBox::SampleRate);
    cmbAudioBitRate = Combo(TSettingsBox::AudioBitRate);
    cmbAudioEncoder = Combo(TSettingsBox::AudioEncoder);
    cmbChannel = Combo(TSettingsBox::Channel);
    cmbVolume = Combo(TSettingsBox::Volume);

    auto* buttons = new QHBoxLayout;
    btnDefault = new QPushButton("&Default", this);
    btnDefault->setObjectName("btnDefault");
    btnOk = new QPushButton("&Ok", this);
    btnOk->setObjectName("btnOk");
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    cbOutputFormat = new QComboBox(this);
    cbOutputFormat->setObjectName("cbOutputFormat");
    cbOutputFormat->hide();
    buttons->addWidget(btnDefault);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    for (int i = 0; i < kSettingsBoxCount; ++i)
        Connect(static_cast<TSettingsBox>(i));
    connect(btnDefault, &QPushButton::clicked, this, &TfrmSettings::btnDefaultClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmSettings::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);
}

void TfrmSettings::Connect(TSettingsBox box) {
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
    model_.FormShow();
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
    if (!model_.btnOkClick(nullptr)) {
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

void TfrmSettings::BoxExit(TSettingsBox box) {
    const bool refocus = model_.BoxExit(box);
    Render(model_.View());
    if (refocus) Combo(box)->setFocus(Qt::OtherFocusReason);
}

void TfrmSettings::cmbVideoSizeExit() {
    BoxExit(TSettingsBox::VideoSize);
}
void TfrmSettings::cmbVideoBitRateExit() {
    BoxExit(TSettingsBox::VideoBitRate);
}
void TfrmSettings::cmbAudioBitRateExit() {
    BoxExit(TSettingsBox::AudioBitRate);
}
void TfrmSettings::cmbSamplerateExit() {
    BoxExit(TSettingsBox::SampleRate);
}

int TfrmSettings::BoxOf(const QObject* object) const {
    for (int i = 0; i < kSettingsBoxCount; ++i) {
        const QComboBox* c = combos_[static_cast<size_t>(i)];
        if (c->isEditable() && c == object) return i;
    }
    return -1;
}

bool TfrmSettings::eventFilter(QObject* watched, QEvent* event) {
    const int index = BoxOf(watched);
    if (index < 0) return QDialog::eventFilter(watched, event);
    const auto box = static_cast<TSettingsBox>(index);
    // Typing reaches the combo box, which hands the key to its edit field without filters.
    if (event->type() == QEvent::KeyPress) {
        const auto typed = TypedChar(*static_cast<QKeyEvent*>(event));
        if (!typed) return false;
        const TSettingsKeyAnswer answer = model_.KeyPress(box, *typed);
        if (answer.Beep) QApplication::beep();
        return !answer.Accepted;
    }
    // Opening the box's own list is no leaving; a hidden dialog (Cancel, close box) checks nothing.
    if (event->type() == QEvent::FocusOut && watched == Combo(box) && isVisible() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        BoxExit(box);
    return false;
}

void TfrmSettings::Render(const TSettingsDialogView& view) {
    for (int i = 0; i < kSettingsBoxCount; ++i) {
        const TSettingsBoxView& s = view.Boxes[static_cast<size_t>(i)];
        QComboBox* box = combos_[static_cast<size_t>(i)];
        const QSignalBlocker block(box);
        const QStringList items = ToQt(s.Items);
        QStringList shown;
        for (int k = 0; k < box->count(); ++k)
            shown << box->itemText(k);
        if (shown != items) {
            box->clear();
            box->addItems(items);
        }
        box->setCurrentIndex(s.ItemIndex);
        if (box->isEditable() && box->currentText() != QString::fromStdString(s.Text)) {
            const QSignalBlocker blockEdit(box->lineEdit());
            box->setEditText(QString::fromStdString(s.Text));
        }
        box->setMaxVisibleItems(std::max(1, static_cast<int>(s.Items.size())));
        box->setEnabled(s.Enabled);
        QPalette palette = box->palette();
        const QColor text =
            s.Grey ? QApplication::palette().color(QPalette::Disabled, QPalette::Text) : Qt::black;
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::ButtonText, text);
        box->setPalette(palette);
    }
}

} // namespace orvel
