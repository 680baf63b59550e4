#include "formats/SettingsDialogModel.h"

#include "app/AppSettings.h"
#include "formats/FormatCatalog.h"

#include <cctype>
#include <charconv>

namespace orvel {
namespace {

constexpr char kBackspace = '\b';
constexpr const char* kAsSource = "as source";

constexpr std::array<TSettingsBox, 5> kVideoBoxes = {TSettingsBox::VideoSize, TSettingsBox::VideoBitRate,
                                                     TSettingsBox::FrameRate, TSettingsBox::VideoEncoder,
                                                     TSettingsBox::Zoom};
constexpr std::array<TSettingsBox, 5> kAudioBoxes = {TSettingsBox::SampleRate, TSettingsBox::Channel,
                                                     TSettingsBox::Volume, TSettingsBox::AudioEncoder,
                                                     TSettingsBox::AudioBitRate};

// The boxes whose stored typed value is shown on opening when no item is stored, with the
// value's default.
struct TTypedValue {
    TSettingsBox Box;
    const char* Default;
};
constexpr TTypedValue kTypedValues[] = {
    {TSettingsBox::VideoSize, "320x240"}, {TSettingsBox::VideoBitRate, "800"},
    {TSettingsBox::FrameRate, "25"},      {TSettingsBox::SampleRate, "44100"},
    {TSettingsBox::AudioBitRate, "96"},
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

std::string ItemText(const TSettingsBoxView& box) {
    return box.ItemIndex >= 0 && box.ItemIndex < static_cast<int>(box.Items.size())
               ? box.Items[static_cast<size_t>(box.ItemIndex)]
               : std::string();
}

} // namespace

bool HasFormatParam(TSettingsBox box) {
    return box != TSettingsBox::Zoom;
}

TFormatParam FormatParamOf(TSettingsBox box) {
    switch (box) {
    case TSettingsBox::VideoSize:
        return TFormatParam::VideoSize;
    case TSettingsBox::VideoBitRate:
        return TFormatParam::VideoBitRate;
    case TSettingsBox::VideoEncoder:
        return TFormatParam::VideoEncoder;
    case TSettingsBox::FrameRate:
        return TFormatParam::FrameRate;
    case TSettingsBox::SampleRate:
        return TFormatParam::SampleRate;
    case TSettingsBox::AudioBitRate:
        return TFormatParam::AudioBitRate;
    case TSettingsBox::AudioEncoder:
        return TFormatParam::AudioEncoder;
    case TSettingsBox::Channel:
        return TFormatParam::Channel;
    case TSettingsBox::Volume:
    case TSettingsBox::Zoom:
        break;
    }
    return TFormatParam::Volume;
}

bool IsEditableBox(TSettingsBox box) {
    return box == TSettingsBox::VideoSize || box == TSettingsBox::VideoBitRate ||
           box == TSettingsBox::SampleRate || box == TSettingsBox::AudioBitRate;
}

TSettingsDialogModel::TSettingsDialogModel(TFormatParamStore& store, IMessageBoxes& boxes)
    : store_(store), boxes_(boxes) {
    view_[TSettingsBox::Zoom].Items = kSettingsZoomItems;
}

int TSettingsDialogModel::CurrentCodeValue() const {
    return WholeNumber(TrimFormatText(view_.CurrentCode)).value_or(1);
}

void TSettingsDialogModel::Select(TSettingsBox box, int index) {
    TSettingsBoxView& b = Box(box);
    const bool listed = index >= 0 && index < static_cast<int>(b.Items.size());
    b.ItemIndex = listed ? index : -1;
    b.Text = listed ? b.Items[static_cast<size_t>(index)] : std::string();
}

// A pick-list only shows one of its items; an editable box shows any text and selects the item
// equal to it.
void TSettingsDialogModel::SetText(TSettingsBox box, const std::string& text) {
    TSettingsBoxView& b = Box(box);
    int match = -1;
    for (size_t i = 0; i < b.Items.size() && match < 0; ++i)
        if (b.Items[i] == text) match = static_cast<int>(i);
    b.ItemIndex = match;
    b.Text = IsEditableBox(box) || match >= 0 ? text : std::string();
}

void TSettingsDialogModel::Load(bool typedValues) {
    const int code = CurrentCodeValue();
    for (int i = 0; i < kSettingsBoxCount; ++i) {
        const auto box = static_cast<TSettingsBox>(i);
        if (!HasFormatParam(box)) continue;
        const TFormatParam param = FormatParamOf(box);
        const TParamList list = store_.List(code, param);
        TSettingsBoxView& b = Box(box);
        b = TSettingsBoxView{};
        b.Items = list.Items;
        b.Enabled = list.Enabled;
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
        Select(TSettingsBox::Zoom, 0);
    else if (zoom == "lbox")
        Select(TSettingsBox::Zoom, 1);
    else if (zoom == "pan")
        Select(TSettingsBox::Zoom, 2);
    else if (zoom == "center")
        Select(TSettingsBox::Zoom, -1);

    // A format without a video (audio) encoder offers none of the video (audio) boxes.
    const bool video = !Box(TSettingsBox::VideoEncoder).Items.empty();
    const bool audio = !Box(TSettingsBox::AudioEncoder).Items.empty();
    for (const TSettingsBox b : kVideoBoxes) {
        Box(b).Enabled = video;
        Box(b).Grey = !video;
    }
    for (const TSettingsBox b : kAudioBoxes) {
        Box(b).Enabled = audio;
        Box(b).Grey = !audio;
    }
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
    for (int i = 0; i < kSettingsBoxCount; ++i) {
        const auto box = static_cast<TSettingsBox>(i);
        if (HasFormatParam(box)) Select(box, store_.DefaultIndex(code, FormatParamOf(box)));
    }
    Select(TSettingsBox::Zoom, 0);
}

TSettingsKeyAnswer TSettingsDialogModel::KeyPress(TSettingsBox box, char key) {
    const bool digit = key >= '0' && key <= '9';
    if (box == TSettingsBox::VideoSize) {
        const std::string& text = Box(box).Text;
        if (text.empty() || key == kBackspace || digit) return {};
        if (key == 'x' && text.find('x') == std::string::npos) return {};
        return {false, true};
    }
    if (key == kBackspace || digit) return {};
    boxes_.Show("Please enter numerical.", ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    return {false, true};
}

void TSettingsDialogModel::TextChanged(TSettingsBox box, const std::string& text) {
    SetText(box, text);
}

void TSettingsDialogModel::ItemChosen(TSettingsBox box, int index) {
    Select(box, index);
}

void TSettingsDialogModel::Refuse(TSettingsBox box, const std::string& message) {
    boxes_.Show(message, ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    if (Box(box).Items.size() > 1) Select(box, 1);
}

bool TSettingsDialogModel::FrameSizeExit() {
    const std::string text = Box(TSettingsBox::VideoSize).Text;
    if (ContainsAsSource(text)) return false;
    const size_t x = text.rfind('x');
    const auto w = x == std::string::npos ? std::nullopt : WholeNumber(text.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : WholeNumber(text.substr(x + 1));
    // A negative side is no frame size either, even when it is even.
    if (!w || !h || *w < 0 || *h < 0) {
        Refuse(TSettingsBox::VideoSize, "Frame Size is not a valid value!");
        return true;
    }
    if (*w % 2 == 0 && *h % 2 == 0 && *w != 0 && *h != 0) return false;
    auto even = [](int side) { return side / 2 * 2 == 0 ? 2 : side / 2 * 2; };
    const std::string corrected = std::to_string(even(*w)) + "x" + std::to_string(even(*h));
    boxes_.Show("Frame Size must be a multiple of 2.\nThe correct value:" + corrected, "Input Error!",
                TMsgIcon::None, TMsgButtons::Ok);
    SetText(TSettingsBox::VideoSize, corrected);
    return true;
}

bool TSettingsDialogModel::BoxExit(TSettingsBox box) {
    const std::string& text = Box(box).Text;
    switch (box) {
    case TSettingsBox::VideoSize:
        return FrameSizeExit();
    case TSettingsBox::VideoBitRate:
        if (WholeNumber(text) || text == kAsSource) return false;
        Refuse(box, "Video BitRate is not a valid value!");
        return true;
    case TSettingsBox::AudioBitRate:
        if (WholeNumber(text) || IsDecimalNumber(text) || text == kAsSource) return false;
        Refuse(box, "Audio BitRate is not a valid value!");
        return true;
    case TSettingsBox::SampleRate:
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
    auto box = [&](TSettingsBox b) -> const TSettingsBoxView& { return view_[b]; };
    put("Description", view_.CurrentName);
    for (const TSettingsBox b :
         {TSettingsBox::VideoSize, TSettingsBox::VideoBitRate, TSettingsBox::VideoEncoder,
          TSettingsBox::FrameRate, TSettingsBox::SampleRate, TSettingsBox::AudioBitRate,
          TSettingsBox::Channel, TSettingsBox::Volume, TSettingsBox::AudioEncoder})
        put(ParamIndexKey(FormatParamOf(b)), std::to_string(box(b).ItemIndex));
    put("paraVideoSize", box(TSettingsBox::VideoSize).Text);
    put("paraVideoBitRate", box(TSettingsBox::VideoBitRate).Text);
    put("paraFrameRate", box(TSettingsBox::FrameRate).Text);
    if (const auto zoom = ZoomValue(box(TSettingsBox::Zoom).ItemIndex)) put("paraZoom", *zoom);
    const std::string videoEncoder = ItemText(box(TSettingsBox::VideoEncoder));
    if (const auto value = VideoEncoderValue(videoEncoder)) put("paraVideoEncoder", *value);
    if (LowerFormatText(videoEncoder) == "h264") {
        for (const char* key : kH264ExtraKeys) {
            const std::string extra = store_.Definition(code, key, "");
            if (H264ExtraQualifies(key, extra)) put(key, extra);
        }
    }
    put("paraSampleRate", box(TSettingsBox::SampleRate).Text);
    put("paraAudioBitRate", box(TSettingsBox::AudioBitRate).Text);
    // The channel item must match exactly, letter case included.
    const std::string channel = ItemText(box(TSettingsBox::Channel));
    if (channel == LowerFormatText(channel))
        if (const auto value = ChannelValue(channel)) put("paraChannel", *value);
    if (const auto value = VolumeValue(ItemText(box(TSettingsBox::Volume)))) put("paraVolume", *value);
    if (const auto value = AudioEncoderValue(ItemText(box(TSettingsBox::AudioEncoder))))
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
