#include "formats/ParameterPanelModel.h"

#include "formats/FormatCatalog.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace orvel {
namespace {

constexpr std::array<TPanelSelector, 5> kVideoGroup = {
    TPanelSelector::VideoSize, TPanelSelector::VideoBitRate, TPanelSelector::FrameRate,
    TPanelSelector::VideoEncoder, TPanelSelector::Zoom};
constexpr std::array<TPanelSelector, 5> kAudioGroup = {TPanelSelector::SampleRate, TPanelSelector::Channel,
                                                       TPanelSelector::Volume, TPanelSelector::AudioEncoder,
                                                       TPanelSelector::AudioBitRate};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

// Digits with at most one point and a digit on at least one side of it.
bool IsDecimal(const std::string& s) {
    const auto point = s.find('.');
    if (point == std::string::npos) return AllDigits(s);
    const std::string whole = s.substr(0, point), fraction = s.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    return (whole.empty() || AllDigits(whole)) && (fraction.empty() || AllDigits(fraction));
}

bool IsAsSource(const std::string& s) {
    return LowerFormatText(TrimFormatText(s)) == "as source";
}

std::optional<int> SizeNumber(const std::string& s) {
    if (!AllDigits(s)) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    // Too large to be a frame size is not a number a size can be corrected to.
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

int IndexOf(const std::vector<std::string>& items, const std::string& text) {
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void SelectIndex(TSelectorView& s, int index) {
    if (index >= 0 && static_cast<size_t>(index) < s.Items.size()) {
        s.ItemIndex = index;
        s.Text = s.Items[static_cast<size_t>(index)];
    } else {
        s.ItemIndex = -1;
        s.Text.clear();
    }
}

// An editable selector shows a stored text as its item when it is one, else as typed text.
void ShowText(TSelectorView& s, const std::string& text) {
    s.ItemIndex = IndexOf(s.Items, text);
    s.Text = text;
}

const char* RefusalText(TPanelSelector selector) {
    switch (selector) {
    case TPanelSelector::VideoBitRate:
        return "Video BitRate is not a valid value!";
    case TPanelSelector::SampleRate:
        return "Audio SampleRate is not a valid value!";
    case TPanelSelector::AudioBitRate:
        return "Audio BitRate is not a valid value!";
    default:
        return "";
    }
}

} // namespace

bool HasFormatParam(TPanelSelector selector) {
    return selector != TPanelSelector::Zoom;
}

TFormatParam FormatParamOf(TPanelSelector selector) {
    switch (selector) {
    case TPanelSelector::VideoSize:
        return TFormatParam::VideoSize;
    case TPanelSelector::VideoEncoder:
        return TFormatParam::VideoEncoder;
    case TPanelSelector::VideoBitRate:
        return TFormatParam::VideoBitRate;
    case TPanelSelector::FrameRate:
        return TFormatParam::FrameRate;
    case TPanelSelector::SampleRate:
        return TFormatParam::SampleRate;
    case TPanelSelector::AudioEncoder:
        return TFormatParam::AudioEncoder;
    case TPanelSelector::Channel:
        return TFormatParam::Channel;
    case TPanelSelector::Volume:
        return TFormatParam::Volume;
    case TPanelSelector::AudioBitRate:
    case TPanelSelector::Zoom:
        break;
    }
    return TFormatParam::AudioBitRate;
}

bool IsEditableSelector(TPanelSelector selector) {
    return selector == TPanelSelector::VideoSize || selector == TPanelSelector::VideoBitRate ||
           selector == TPanelSelector::SampleRate || selector == TPanelSelector::AudioBitRate;
}

std::optional<TFrameSize> ParseFrameSize(const std::string& text) {
    const auto x = text.rfind('x');
    if (x == std::string::npos) return std::nullopt;
    const auto w = SizeNumber(text.substr(0, x));
    const auto h = SizeNumber(text.substr(x + 1));
    if (!w || !h) return std::nullopt;
    return TFrameSize{*w, *h};
}

TFrameSize EvenFrameSize(TFrameSize size) {
    auto even = [](int v) {
        v -= v % 2;
        return v == 0 ? 2 : v;
    };
    return {even(size.Width), even(size.Height)};
}

TParameterPanelModel::TParameterPanelModel(TFormatParamStore& store, IMessageBoxes& boxes)
    : store_(store), boxes_(boxes) {
    Sel(TPanelSelector::Zoom).Items = kDesignZoomItems;
    Sel(TPanelSelector::Zoom).DropDownCount = static_cast<int>(kDesignZoomItems.size());
}

void TParameterPanelModel::Load(int code) {
    code_ = code;
    for (int i = 0; i < kPanelSelectorCount; ++i) {
        const auto selector = static_cast<TPanelSelector>(i);
        if (!HasFormatParam(selector)) continue;
        const TParamList list = store_.List(code, FormatParamOf(selector));
        TSelectorView& s = Sel(selector);
        s.Items = list.Items;
        s.Enabled = list.Enabled;
        s.ItemIndex = -1;
        s.Text.clear();
    }

    TSelectorView& zoom = Sel(TPanelSelector::Zoom);
    const std::string zoomValue = store_.Choice(code, "paraZoom", "full");
    if (zoomValue != "null" && !zoomValue.empty()) {
        zoom.Items = kZoomItems;
        zoom.Enabled = true;
        const std::string lower = LowerFormatText(zoomValue);
        SelectIndex(zoom, lower == "full" ? 0 : lower == "lbox" ? 1 : lower == "pan" ? 2 : -1);
    } else {
        zoom.Enabled = false;
    }

    const TPanelChoices c = store_.PanelChoices(code);
    ShowText(Sel(TPanelSelector::VideoSize), c.VideoSize);
    ShowText(Sel(TPanelSelector::VideoBitRate), c.VideoBitRate);
    ShowText(Sel(TPanelSelector::SampleRate), c.SampleRate);
    ShowText(Sel(TPanelSelector::AudioBitRate), c.AudioBitRate);
    SelectIndex(Sel(TPanelSelector::FrameRate), c.FrameRateIndex);
    SelectIndex(Sel(TPanelSelector::VideoEncoder), c.VideoEncoderIndex);
    SelectIndex(Sel(TPanelSelector::Channel), c.ChannelIndex);
    SelectIndex(Sel(TPanelSelector::Volume), c.VolumeIndex);
    SelectIndex(Sel(TPanelSelector::AudioEncoder), c.AudioEncoderIndex);

    for (TSelectorView& s : view_.Selectors)
        s.DropDownCount = static_cast<int>(s.Items.size());

    // A group without encoders does not apply to this format at all.
    auto group = [this](const auto& members, TPanelSelector encoder) {
        const bool on = !Sel(encoder).Items.empty();
        for (TPanelSelector m : members) {
            Sel(m).Enabled = on;
            Sel(m).Grey = !on;
        }
    };
    group(kVideoGroup, TPanelSelector::VideoEncoder);
    group(kAudioGroup, TPanelSelector::AudioEncoder);
}

TKeyAnswer TParameterPanelModel::VideoSizeKeyPress(char key) const {
    const std::string& text = view_[TPanelSelector::VideoSize].Text;
    if (text.empty()) return {};
    if (key == kBackspaceKey || IsDigit(key) || (key == 'x' && text.find('x') == std::string::npos))
        return {};
    return {false, true};
}

TKeyAnswer TParameterPanelModel::NumberKeyPress(char key) {
    if (key == kBackspaceKey || IsDigit(key)) return {};
    boxes_.Show(kEnterNumericalText, ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    return {false, true};
}

void TParameterPanelModel::TextChanged(TPanelSelector selector, const std::string& text) {
    if (!IsEditableSelector(selector)) return;
    TSelectorView& s = Sel(selector);
    ShowText(s, text);
    if (selector != TPanelSelector::VideoSize) CheckNumberAndStore(selector);
}

void TParameterPanelModel::ItemChosen(TPanelSelector selector, int index) {
    TSelectorView& s = Sel(selector);
    if (index < 0 || static_cast<size_t>(index) >= s.Items.size()) return;
    SelectIndex(s, index);
    if (selector == TPanelSelector::Zoom) {
        store_.StoreZoom(code_, index);
        return;
    }
    if (selector == TPanelSelector::VideoBitRate || selector == TPanelSelector::SampleRate ||
        selector == TPanelSelector::AudioBitRate) {
        CheckNumberAndStore(selector);
        return;
    }
    // The size list's items are taken as they are; only typed sizes are checked.
    Store(selector, index, s.Text);
}

void TParameterPanelModel::CheckNumberAndStore(TPanelSelector selector) {
    TSelectorView& s = Sel(selector);
    const bool accepted = IsAsSource(s.Text) ||
                          (selector == TPanelSelector::AudioBitRate ? IsDecimal(s.Text) : AllDigits(s.Text));
    if (accepted)
        Store(selector, s.ItemIndex, s.Text);
    else
        RefuseWithItem1(selector, RefusalText(selector));
}

void TParameterPanelModel::RefuseWithItem1(TPanelSelector selector, const std::string& message) {
    boxes_.Show(message, ApplicationTitle(), TMsgIcon::None, TMsgButtons::Ok);
    TSelectorView& s = Sel(selector);
    if (s.Items.size() > 1) {
        // What the box now shows is what the conversion will use.
        SelectIndex(s, 1);
        Store(selector, 1, s.Text);
    }
}

void TParameterPanelModel::VideoSizeExit() {
    TSelectorView& s = Sel(TPanelSelector::VideoSize);
    if (LowerFormatText(s.Text).find("as source") != std::string::npos) return;
    const auto size = ParseFrameSize(s.Text);
    if (!size) {
        RefuseWithItem1(TPanelSelector::VideoSize, kFrameSizeInvalidText);
        return;
    }
    const int index = std::max(IndexOf(s.Items, s.Text), 0);
    const TFrameSize even = EvenFrameSize(*size);
    if (even.Width != size->Width || even.Height != size->Height) {
        const std::string corrected = std::to_string(even.Width) + "x" + std::to_string(even.Height);
        boxes_.Show("Frame Size must be a multiple of 2.\nThe correct value:" + corrected,
                    kFrameSizeCorrectionCaption, TMsgIcon::None, TMsgButtons::Ok);
        ShowText(s, corrected);
    }
    Store(TPanelSelector::VideoSize, index, s.Text);
}

void TParameterPanelModel::Store(TPanelSelector selector, int index, const std::string& text) {
    if (!HasFormatParam(selector)) return;
    store_.StoreChoice(code_, FormatParamOf(selector), index, text);
}

void TParameterPanelModel::Default() {
    store_.Reset(code_);
    Load(code_);
}

} // namespace orvel
