#include "formats/windows/SelectorCombo.h"

#include "ui/SelectionItemDelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>

namespace orvel {
namespace {

struct TSelectorNames {
    TPanelSelector Selector;
    const char* Caption;
    const char* ComboName;
};

const TSelectorNames& NamesOf(TPanelSelector selector) {
    static const TSelectorNames kNames[kPanelSelectorCount] = {
        {TPanelSelector::VideoSize, "Frame Size:", "cmbVideoSize"},
        {TPanelSelector::VideoEncoder, "Encoder:", "cmbVideoEncoder"},
        {TPanelSelector::VideoBitRate, "BitRate (Kbps):", "cmbVideoBitRate"},
        {TPanelSelector::FrameRate, "FrameRate (Fps):", "cmbFrameRate"},
        {TPanelSelector::Zoom, "Zoom:", "cmbZoom"},
        {TPanelSelector::SampleRate, "SampleRate (Hz):", "cmbSamplerate"},
        {TPanelSelector::AudioEncoder, "Encoder:", "cmbAudioEncoder"},
        {TPanelSelector::Channel, "Channel:", "cmbChannel"},
        {TPanelSelector::Volume, "Volume:", "cmbVolume"},
        {TPanelSelector::AudioBitRate, "BitRate (Kbps):", "cmbAudioBitRate"},
    };
    return *std::find_if(std::begin(kNames), std::end(kNames),
                         [selector](const TSelectorNames& n) { return n.Selector == selector; });
}

} // namespace

const char* SelectorCaption(TPanelSelector selector) {
    return NamesOf(selector).Caption;
}

QComboBox* NewSelectorCombo(TPanelSelector selector, QWidget* parent, TSelectorCombos& combos) {
    auto* box = new QComboBox(parent);
    box->setObjectName(NamesOf(selector).ComboName);
    box->setEditable(IsEditableSelector(selector));
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setItemDelegate(new TSelectionItemDelegate(box));
    combos[static_cast<size_t>(selector)] = box;
    return box;
}

int EditableSelectorOf(const TSelectorCombos& combos, const QObject* object) {
    for (int i = 0; i < kPanelSelectorCount; ++i) {
        const QComboBox* box = combos[static_cast<size_t>(i)];
        if (box->isEditable() && box == object) return i;
    }
    return -1;
}

void RenderSelectors(const TSelectorCombos& combos,
                     const std::array<TSelectorView, kPanelSelectorCount>& views) {
    for (int i = 0; i < kPanelSelectorCount; ++i)
        RenderSelector(*combos[static_cast<size_t>(i)], views[static_cast<size_t>(i)]);
}

void RenderSelector(QComboBox& box, const TSelectorView& view) {
    const QSignalBlocker block(&box);
    QStringList items;
    for (const auto& item : view.Items)
        items << QString::fromStdString(item);
    QStringList shown;
    for (int k = 0; k < box.count(); ++k)
        shown << box.itemText(k);
    if (shown != items) {
        box.clear();
        box.addItems(items);
    }
    box.setCurrentIndex(view.ItemIndex);
    if (box.isEditable() && box.currentText() != QString::fromStdString(view.Text)) {
        const QSignalBlocker blockEdit(box.lineEdit());
        box.setEditText(QString::fromStdString(view.Text));
    }
    box.setMaxVisibleItems(std::max(1, view.DropDownCount));
    box.setEnabled(view.Enabled);
    QPalette palette = box.palette();
    const QColor text =
        view.Grey ? QApplication::palette().color(QPalette::Disabled, QPalette::Text) : Qt::black;
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    box.setPalette(palette);
}

std::optional<char> TypedChar(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Backspace) return kBackspaceKey;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const QString text = key.text();
    if (text.size() != 1 || !text[0].isPrint()) return std::nullopt;
    const char16_t c = text[0].unicode();
    return c < 0x80 ? static_cast<char>(c) : '?';
}

bool FilterTypedKey(const QKeyEvent& key, const std::function<TKeyAnswer(char)>& answer) {
    const auto typed = TypedChar(key);
    if (!typed) return false;
    const TKeyAnswer said = answer(*typed);
    if (said.Beep) QApplication::beep();
    return !said.Accepted;
}

} // namespace orvel
