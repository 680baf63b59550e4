#include "formats/windows/ParameterPanel.h"

#include "ui/SelectionItemDelegate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
    if (key.key() == Qt::Key_Backspace) return kBackspaceKey;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const QString text = key.text();
    if (text.size() != 1 || !text[0].isPrint()) return std::nullopt;
    const char16_t c = text[0].unicode();
    return c < 0x80 ? static_cast<char>(c) : '?';
}

} // namespace

TParameterPanel::TParameterPanel(TFormatParamStore& store, IMessageBoxes& boxes, QWidget* parent)
    : QWidget(parent), model_(store, boxes) {
    CreateControls();
    Render(model_.View());
}

void TParameterPanel::CreateControls() {
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(6);

    auto combo = [this](TPanelSelector selector, const char* name, QWidget* parent) {
        auto* box = new QComboBox(parent);
        box->setObjectName(name);
        box->setEditable(IsEditableSelector(selector));
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setItemDelegate(new TSelectionItemDelegate(box));
        box->setMinimumWidth(92);
        if (QLineEdit* edit = box->lineEdit()) edit->installEventFilter(this);
        combos_[static_cast<size_t>(selector)] = box;
        return box;
    };
    auto group = [&](const char* title, const char* name,
                     std::initializer_list<std::tuple<TPanelSelector, const char*, const char*>> rows) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(name);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(3);
        int i = 0;
        for (const auto& [selector, label, comboName] : rows) {
            const int row = i / 2, column = (i % 2) * 2;
            grid->addWidget(new QLabel(label, box), row, column);
            grid->addWidget(combo(selector, comboName, box), row, column + 1);
            ++i;
        }
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(3, 1);
        root->addWidget(box, 1);
        return box;
    };
    grpVideo = group("Video Options", "grpVideo",
                     {{TPanelSelector::VideoSize, "Frame Size:", "cmbVideoSize"},
                      {TPanelSelector::VideoEncoder, "Encoder:", "cmbVideoEncoder"},
                      {TPanelSelector::VideoBitRate, "BitRate (Kbps):", "cmbVideoBitRate"},
                      {TPanelSelector::FrameRate, "FrameRate (Fps):", "cmbFrameRate"},
                      {TPanelSelector::Zoom, "Zoom:", "cmbZoom"}});
    grpAudio = group("Audio Options", "grpAudio",
                     {{TPanelSelector::SampleRate, "SampleRate (Hz):", "cmbSamplerate"},
                      {TPanelSelector::AudioEncoder, "Encoder:", "cmbAudioEncoder"},
                      {TPanelSelector::Channel, "Channel:", "cmbChannel"},
                      {TPanelSelector::Volume, "Volume:", "cmbVolume"},
                      {TPanelSelector::AudioBitRate, "BitRate (Kbps):", "cmbAudioBitRate"}});
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

    btnDefault = new QPushButton("Default", this);
    btnDefault->setObjectName("btnDefault");
    auto* side = new QVBoxLayout;
    side->addStretch();
    side->addWidget(btnDefault);
    root->addLayout(side);

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

int TParameterPanel::SelectorOf(const QObject* editor) const {
    for (int i = 0; i < kPanelSelectorCount; ++i)
        if (combos_[static_cast<size_t>(i)]->lineEdit() == editor) return i;
    return -1;
}

bool TParameterPanel::eventFilter(QObject* watched, QEvent* event) {
    const int index = SelectorOf(watched);
    if (index < 0) return QWidget::eventFilter(watched, event);
    const auto selector = static_cast<TPanelSelector>(index);
    if (event->type() == QEvent::KeyPress) {
        const auto typed = TypedChar(*static_cast<QKeyEvent*>(event));
        if (!typed) return false;
        const TKeyAnswer answer = selector == TPanelSelector::VideoSize ? model_.VideoSizeKeyPress(*typed)
                                                                        : model_.NumberKeyPress(*typed);
        if (answer.Beep) QApplication::beep();
        return !answer.Accepted;
    }
    if (event->type() == QEvent::FocusOut && selector == TPanelSelector::VideoSize &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        cmbVideoSizeExit();
    return false;
}

void TParameterPanel::Render(const TParameterPanelView& view) {
    for (int i = 0; i < kPanelSelectorCount; ++i) {
        const TSelectorView& s = view.Selectors[static_cast<size_t>(i)];
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
        box->setMaxVisibleItems(std::max(1, s.DropDownCount));
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
