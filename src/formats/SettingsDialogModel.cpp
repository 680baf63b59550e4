#include "formats/SettingsDialogModel.h"

#include "app/store/AppSettings.h"
#include "formats/FormatCatalog.h"

#include <cctype>
#include <charconv>

namespace orvel {
namespace {

constexpr const char* kAsSource = "as source";

// The boxes whose stored typed value is shown on opening when no item is stored, with the
// value's default.
struct TTypedValue {
    TPanelSelector Box;
    const char* Default;
};
constexpr TTypedValue kTypedValues[] = {
    {TPanelSelector::VideoSize, "320x240"}, {TPanelSelector::VideoBitRate, "800"},
    {TPanelSelector::FrameRate, "25"},      {TPanelSelector::SampleRate, "44100"},
    {TPanelSelector::AudioBitRate, "96"},
};

std::optional<int> WholeNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

bool IsDecimalNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && (*first == '+' || *first == '-')) ++first;
    if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '.')) return false;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

bool ContainsAsSource(const std::string& text) {
    return LowerFormatText(text).find(kAsSource) != std::string::npos;
}

std::string ItemText(const TSelectorView& box) {
    return box.ItemIndex >= 0 && box.ItemIndex < static_cast<int>(box.Items.size())
               ? box.Items[static_cast<size_t>(box.ItemIndex)]
               : std::string();
}

} // namespace

TSettingsDialogModel::TSettingsDialogModel(TFormatParamStore& store, IMessageBoxes& boxes)
    : store_(store), boxes_(boxes) {
    // The dialog keeps the zoom box's design-time items; it never refills it.
    view_[TPanelSelector::Zoom].Items = kDesignZoomItems;
    view_[TPanelSelector::Zoom].DropDownCount = static_cast<int>(kDesignZoomItems.size());
}

int TSettingsDialogModel::CurrentCodeValue() const {
    return WholeNumber(TrimFormatText(view_.CurrentCode)).value_or(1);
}

void TSettingsDialogModel::Select(TPanelSelector box, int index) {
    SelectItem(Box(box), index);
}

// A pick-list only shows one of its items; an editable box shows any text and selects the item
// equal to it.
void TSettingsDialogModel::SetText(TPanelSelector box, const std::string& text) {
    TSelectorView& b = Box(box);
    int match = -1;
    for (size_t i = 0; i < b.Items.size() && match < 0; ++i)
        if (b.Items[i] == text) match = static_cast<int>(i);
    b.ItemIndex = match;
    b.Text = IsEditableSelector(box) || match >= 0 ? text : std::string();
}

void TSettingsDialogModel::Load(bool typedValues) {
    const int code = CurrentCodeValue();
    for (int i = 0; i < kPanelSelectorCount; ++i) {
        const auto box = static_cast<TPanelSelector>(i);
        if (!HasFormatParam(box)) continue;
        const TFormatParam param = FormatParamOf(box);
        const TParamList list = store_.List(code, param);
        TSelectorView& b = Box(box);
        b = TSelectorView{};
        b.Items = list.Items;
        b.Enabled = list.Enabled;
        b.DropDownCount = static_cast<int>(b.Items.size());
        Select(box, store_.ChoiceIndex(code, ParamIndexKey(param), 0));
    }
    if (typedValues) {
        for (const TTypedValue& t : kTypedValues) {
            const std::string key = ParamIndexKey(FormatParamOf(t.Box));
            if (store_.ChoiceIndex(code, key, 0) < 0)
                SetText(t.Box, store_.Choice(code, ParamValueKey(FormatParamOf(t.Box)), t.Default));
        }
    }
    const std::string zoom = store_.Choice(code, "paraZoom", "full");
    if (zoom == "full")
        Select(TPanelSelector::Zoom, 0);
    else if (zoom == "lbox")
        Select(TPanelSelector::Zoom, 1);
    else if (zoom == "pan")
        Select(TPanelSelector::Zoom, 2);
    else if (zoom == "center")
        Select(TPanelSelector::Zoom, -1);

    ApplyEncoderGroups(view_.Boxes);
}

void TSettingsDialogModel::FormShow() {
    const TAppSettings settings(store_.SettingsIniPath());
    view_.CurrentCode = settings.FormatCodeAtShow();
    view_.CurrentName = settings.FormatNameAtShow();
    Load(true);
}

void TSettingsDialogModel::FormatChosen(const std::string& code, const std::string& name) {
    view_.CurrentCode = code;
    view_.CurrentName = name;
    Load(false);
}

void TSettingsDialogModel::btnDefaultClick() {
    const int code = CurrentCodeValue();
    for (int i = 0; i < kPanelSelectorCount; ++i) {
        const auto box = static_cast<TPanelSelector>(i);
        if (HasFormatParam(box)) Select(box, store_.DefaultIndex(code, FormatParamOf(box)));
    }
    Select(TPanelSelector::Zoom, 0);
}

TKeyAnswer TSettingsDialogModel::KeyPress(TPanelSelector box, char key) {
    const bool digit = key >= '0' && key <= '9';
    if (box == TPanelSelector::VideoSize) {
        const std::string& text = Box(box).Text;
        if (text.empty() || key == kBackspaceKey || digit) return {};
        if (key == 'x' && text.find('x') == std::string::npos) return {};
        return {false, true};
    }
    if (key == kBackspaceKey || digit) return {};
    boxes_.Show(kEnterNumericalText, ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    return {false, true};
}

void TSettingsDialogModel::TextChanged(TPanelSelector box, const std::string& text) {
    SetText(box, text);
}

void TSettingsDialogModel::ItemChosen(TPanelSelector box, int index) {
    Select(box, index);
}

void TSettingsDialogModel::Refuse(TPanelSelector box, const std::string& message) {
    boxes_.Show(message, ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    if (Box(box).Items.size() > 1) Select(box, 1);
}

bool TSettingsDialogModel::FrameSizeExit() {
    const std::string text = Box(TPanelSelector::VideoSize).Text;
    if (ContainsAsSource(text)) return false;
    // A negative side is refused with the rest: it is no frame size, even when it is even.
    const auto size = ParseFrameSize(text);
    if (!size) {
        Refuse(TPanelSelector::VideoSize, kFrameSizeInvalidText);
        return true;
    }
    if (size->Width % 2 == 0 && size->Height % 2 == 0 && size->Width != 0 && size->Height != 0) return false;
    const TFrameSize even = EvenFrameSize(*size);
    const std::string corrected = std::to_string(even.Width) + "x" + std::to_string(even.Height);
    boxes_.Show("Frame Size must be a multiple of 2.\nThe correct value:" + corrected,
                kFrameSizeCorrectionCaption, TMsgIcon::None, TMsgButtons::Ok);
    SetText(TPanelSelector::VideoSize, corrected);
    return true;
}

bool TSettingsDialogModel::BoxExit(TPanelSelector box) {
    const std::string& text = Box(box).Text;
    switch (box) {
    case TPanelSelector::VideoSize:
        return FrameSizeExit();
    case TPanelSelector::VideoBitRate:
        if (WholeNumber(text) || text == kAsSource) return false;
        Refuse(box, "Video BitRate is not a valid value!");
        return true;
    case TPanelSelector::AudioBitRate:
        if (WholeNumber(text) || IsDecimalNumber(text) || text == kAsSource) return false;
        Refuse(box, "Audio BitRate is not a valid value!");
        return true;
    case TPanelSelector::SampleRate:
        if (WholeNumber(text) || text == kAsSource) return false;
        Refuse(box, "Audio SampleRate is not a valid value!");
        return true;
    default:
        return false;
    }
}

std::vector<std::pair<std::string, std::string>> TSettingsDialogModel::SectionWrites() const {
    const int code = CurrentCodeValue();
    std::vector<std::pair<std::string, std::string>> writes;
    auto put = [&](const std::string& key, const std::string& value) { writes.emplace_back(key, value); };
    auto box = [&](TPanelSelector b) -> const TSelectorView& { return view_[b]; };
    put("Description", view_.CurrentName);
    for (const TPanelSelector b :
         {TPanelSelector::VideoSize, TPanelSelector::VideoBitRate, TPanelSelector::VideoEncoder,
          TPanelSelector::FrameRate, TPanelSelector::SampleRate, TPanelSelector::AudioBitRate,
          TPanelSelector::Channel, TPanelSelector::Volume, TPanelSelector::AudioEncoder})
        put(ParamIndexKey(FormatParamOf(b)), std::to_string(box(b).ItemIndex));
    put("paraVideoSize", box(TPanelSelector::VideoSize).Text);
    put("paraVideoBitRate", box(TPanelSelector::VideoBitRate).Text);
    put("paraFrameRate", box(TPanelSelector::FrameRate).Text);
    if (const auto zoom = ZoomValue(box(TPanelSelector::Zoom).ItemIndex)) put("paraZoom", *zoom);
    const std::string videoEncoder = ItemText(box(TPanelSelector::VideoEncoder));
    if (const auto value = VideoEncoderValue(videoEncoder)) put("paraVideoEncoder", *value);
    if (LowerFormatText(videoEncoder) == "h264") {
        for (const char* key : kH264ExtraKeys) {
            const std::string extra = store_.Definition(code, key, "");
            if (H264ExtraQualifies(key, extra)) put(key, extra);
        }
    }
    put("paraSampleRate", box(TPanelSelector::SampleRate).Text);
    put("paraAudioBitRate", box(TPanelSelector::AudioBitRate).Text);
    // The channel item must match exactly, letter case included.
    const std::string channel = ItemText(box(TPanelSelector::Channel));
    if (channel == LowerFormatText(channel))
        if (const auto value = ChannelValue(channel)) put("paraChannel", *value);
    if (const auto value = VolumeValue(ItemText(box(TPanelSelector::Volume)))) put("paraVolume", *value);
    if (const auto value = AudioEncoderValue(ItemText(box(TPanelSelector::AudioEncoder))))
        put("paraAudioEncoder", *value);
    return writes;
}

bool TSettingsDialogModel::btnOkClick(const std::function<void()>& saveCatalogState) {
    TIniFile settings(store_.SettingsIniPath());
    // The whole section in one replacement of the file, so a failed write leaves the old one.
    if (!settings.RewriteSection(FormatSection(CurrentCodeValue()), SectionWrites())) return false;
    if (saveCatalogState) saveCatalogState();
    return settings.WriteString(kSettingsSection, kFormatNameKey, view_.CurrentName) &&
           settings.WriteString(kSettingsSection, kFormatCodeKey, view_.CurrentCode);
}

} // namespace orvel
