#include "formats/FormatParams.h"

#include "formats/FormatCatalog.h"

#include <algorithm>
#include <charconv>

namespace orvel {
namespace {

// A whole decimal number with an optional sign and nothing else.
std::optional<long long> WholeNumber(const std::string& s) {
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') ++first;
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

struct TMapping {
    const char* Display;
    const char* Stored;
};

std::optional<std::string> Lookup(const TMapping* table, size_t count, const std::string& display) {
    const std::string key = LowerFormatText(display);
    for (size_t i = 0; i < count; ++i)
        if (key == table[i].Display) return std::string(table[i].Stored);
    return std::nullopt;
}

constexpr TMapping kVideoEncoders[] = {
    {"mpeg-4", "mpeg4"},
    {"xvid", "libxvid"},
    {"h264", "libx264"},
    {"3gp", "3gp"},
    {"3g2", "3g2"},
    {"mov", "mov"},
    {"wmv1", "wmv1"},
    {"wmv2", "wmv2"},
    {"wmv3", "wmv3"},
    {"flv", "flv"},
    {"swf", "swf"},
    {"msmpeg4", "msmpeg4"},
    {"msmpeg4v1", "msmpeg4v1"},
    {"msmpeg4v2", "msmpeg4v2"},
    {"mpeg1video", "mpeg1video"},
    {"mpeg2video", "mpeg2video"},
    {"h263", "h263"},
    {"h263p", "h263p"},
    {"rawvideo", "rawvideo"},
    {"rv10", "rv10"},
    {"rv20", "rv20"},
    {"dvvideo", "dvvideo"},
    {"huffyuv", "huffyuv"},
    {"ljpeg", "ljpeg"},
    {"mjpeg", "mjpeg"},
    {"svq1", "svq1"},
    {"zlib", "zlib"},
};

// "pcm_mulaw " carries a trailing space in the definitions; the text is matched as it stands.
constexpr TMapping kAudioEncoders[] = {
    {"mp3", "libmp3lame"},
    {"ogg", "vorbis"},
    {"mp2", "mp2"},
    {"aac", "libfaac"},
    {"ac-3", "ac3"},
    {"flac", "libflac"},
    {"amr_nb", "libopencore_amrnb"},
    {"pcm_s16", "pcm_s16le"},
    {"pcm_u16", "pcm_u16le"},
    {"pcm_alaw", "pcm_alaw"},
    {"pcm_mulaw ", "pcm_mulaw"},
    {"adpcm_ms", "adpcm_ms"},
    {"adpcm_ima_wav", "adpcm_ima_wav"},
    {"wma1", "wmav1"},
    {"wma2", "wmav2"},
};

constexpr TMapping kChannels[] = {
    {"as source", "as source"},
    {"mono 1 channel", "1"},
    {"stereo 2 channels", "2"},
};

} // namespace

const char* ParamName(TFormatParam param) {
    switch (param) {
    case TFormatParam::VideoSize:
        return "VideoSize";
    case TFormatParam::VideoBitRate:
        return "VideoBitRate";
    case TFormatParam::FrameRate:
        return "FrameRate";
    case TFormatParam::VideoEncoder:
        return "VideoEncoder";
    case TFormatParam::AudioBitRate:
        return "AudioBitRate";
    case TFormatParam::SampleRate:
        return "SampleRate";
    case TFormatParam::AudioEncoder:
        return "AudioEncoder";
    case TFormatParam::Channel:
        return "Channel";
    case TFormatParam::Volume:
        return "Volume";
    }
    return "";
}

std::string ParamIndexKey(TFormatParam param) {
    return std::string("i") + ParamName(param);
}
std::string ParamValueKey(TFormatParam param) {
    return std::string("para") + ParamName(param);
}

bool IsVideoParam(TFormatParam param) {
    return param == TFormatParam::VideoSize || param == TFormatParam::VideoBitRate ||
           param == TFormatParam::FrameRate || param == TFormatParam::VideoEncoder;
}

std::vector<std::string> SplitFormatList(const std::string& value) {
    std::vector<std::string> items;
    std::string item;
    for (const char c : value) {
        if (c == ',') {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    items.push_back(item);
    return items;
}

TParamList ParseParamList(TFormatParam param, const std::string& value) {
    TParamList list;
    if (value == "null") return list;
    if (value.empty()) {
        // Sizes and video rates keep an enabled, empty selector; the rest do not apply.
        list.Enabled = param == TFormatParam::VideoSize || param == TFormatParam::VideoBitRate ||
                       param == TFormatParam::FrameRate;
        return list;
    }
    list.Enabled = true;
    list.Items = SplitFormatList(value);
    return list;
}

std::optional<std::string> VideoEncoderValue(const std::string& display) {
    return Lookup(kVideoEncoders, std::size(kVideoEncoders), display);
}

std::optional<std::string> AudioEncoderValue(const std::string& display) {
    return Lookup(kAudioEncoders, std::size(kAudioEncoders), display);
}

std::optional<std::string> ChannelValue(const std::string& display) {
    return Lookup(kChannels, std::size(kChannels), display);
}

std::optional<std::string> VolumeValue(const std::string& display) {
    if (display.empty()) return std::nullopt;
    const auto percent = WholeNumber(display.substr(0, display.size() - 1));
    if (!percent) return std::nullopt;
    static constexpr int kSteps[] = {25, 50, 75, 100, 125, 150, 175, 200, 250, 300, 350, 400};
    if (std::find(std::begin(kSteps), std::end(kSteps), *percent) == std::end(kSteps)) return std::nullopt;
    return std::to_string(*percent * 256 / 100);
}

std::optional<std::string> ParamValueOf(TFormatParam param, const std::string& itemText) {
    switch (param) {
    case TFormatParam::VideoEncoder:
        return VideoEncoderValue(itemText);
    case TFormatParam::AudioEncoder:
        return AudioEncoderValue(itemText);
    case TFormatParam::Channel:
        return ChannelValue(itemText);
    case TFormatParam::Volume:
        return VolumeValue(itemText);
    default:
        return itemText;
    }
}

std::optional<std::string> ZoomValue(int item) {
    static constexpr const char* kZoom[] = {"full", "lbox", "pan"};
    if (item < 0 || item > 2) return std::nullopt;
    return std::string(kZoom[item]);
}

bool H264ExtraQualifies(const std::string& key, const std::string& value) {
    const std::string k = LowerFormatText(key);
    if (k == "parabitexact") return LowerFormatText(value) == "true";
    const auto number = WholeNumber(value);
    if (!number) return false;
    if (k == "paracoder") return *number >= 0;
    return *number > 0;
}

bool TBuilderChoices::AudioOnly() const {
    return TrimFormatText(VideoEncoder).empty();
}

TFormatParamStore::TFormatParamStore(std::string formatIniPath, std::string settingsIniPath)
    : definitions_(std::move(formatIniPath)), settings_(std::move(settingsIniPath)) {}

std::string TFormatParamStore::Definition(int code, const std::string& key, const std::string& def) const {
    return definitions_.ReadString(FormatSection(code), key, def);
}

std::string TFormatParamStore::ContainerFormat(int code) const {
    return Definition(code, "Format", "null");
}
std::string TFormatParamStore::FileExt(int code) const {
    return Definition(code, "FileExt", "mp4");
}

TParamList TFormatParamStore::List(int code, TFormatParam param) const {
    return ParseParamList(param, Definition(code, ParamName(param), "null"));
}

int TFormatParamStore::DefaultIndex(int code, TFormatParam param) const {
    return definitions_.ReadInteger(FormatSection(code), ParamIndexKey(param), 0);
}

std::vector<TChoiceWrite> TFormatParamStore::ChoiceWrites(int code, TFormatParam param, int index,
                                                          const std::string& itemText) const {
    std::vector<TChoiceWrite> writes{{ParamIndexKey(param), std::to_string(index)}};
    const auto value = ParamValueOf(param, itemText);
    if (!value) return writes;
    writes.push_back({ParamValueKey(param), *value});
    if (param == TFormatParam::VideoEncoder && LowerFormatText(itemText) == "h264") {
        const std::string section = FormatSection(code);
        for (const char* key : kH264ExtraKeys) {
            const std::string extra = definitions_.ReadString(section, key, "");
            if (H264ExtraQualifies(key, extra)) writes.push_back({key, extra});
        }
    }
    return writes;
}

bool TFormatParamStore::Write(int code, const std::vector<TChoiceWrite>& writes) {
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(writes.size());
    for (const TChoiceWrite& w : writes)
        entries.emplace_back(w.Key, w.Value);
    return settings_.WriteStrings(FormatSection(code), entries);
}

bool TFormatParamStore::HasStoredChoice(int code) const {
    const std::vector<std::string> keys = settings_.ReadSection(FormatSection(code));
    return std::any_of(keys.begin(), keys.end(), [](const std::string& key) {
        const std::string k = LowerFormatText(key);
        if (k == "parazoom") return true;
        return std::any_of(kAllFormatParams.begin(), kAllFormatParams.end(), [&](TFormatParam p) {
            return k == LowerFormatText(ParamIndexKey(p)) || k == LowerFormatText(ParamValueKey(p));
        });
    });
}

bool TFormatParamStore::SeedUntouched(int code) {
    if (HasStoredChoice(code)) {
        unwritten_.erase(code);
        return true;
    }
    std::vector<TChoiceWrite> writes = DefaultWrites(code);
    if (writes.empty() || Write(code, writes)) {
        unwritten_.erase(code);
        return true;
    }
    unwritten_[code] = std::move(writes);
    return false;
}

std::string TFormatParamStore::Read(int code, const std::string& key, const std::string& def) const {
    const auto pending = unwritten_.find(code);
    if (pending == unwritten_.end()) return settings_.ReadString(FormatSection(code), key, def);
    // The last write of a key is the one that counts.
    const std::string k = LowerFormatText(key);
    const auto& writes = pending->second;
    const auto it = std::find_if(writes.rbegin(), writes.rend(),
                                 [&](const TChoiceWrite& w) { return LowerFormatText(w.Key) == k; });
    return it == writes.rend() ? def : it->Value;
}

int TFormatParamStore::ReadIndex(int code, const std::string& key, int def) const {
    if (unwritten_.count(code) == 0) return settings_.ReadInteger(FormatSection(code), key, def);
    // Unwritten values are the store's own decimal indexes.
    const auto value = WholeNumber(Read(code, key, ""));
    return value ? static_cast<int>(*value) : def;
}

std::string TFormatParamStore::Choice(int code, const std::string& key, const std::string& def) {
    SeedUntouched(code);
    return Read(code, key, def);
}

int TFormatParamStore::ChoiceIndex(int code, const std::string& key, int def) {
    SeedUntouched(code);
    return ReadIndex(code, key, def);
}

bool TFormatParamStore::StoreChoice(int code, TFormatParam param, int index, const std::string& itemText) {
    // One choice stored into an untouched section keeps the definition's defaults for the rest.
    return SeedUntouched(code) && Write(code, ChoiceWrites(code, param, index, itemText));
}

bool TFormatParamStore::StoreZoom(int code, int item) {
    const auto value = ZoomValue(item);
    return !value || (SeedUntouched(code) && Write(code, {{"paraZoom", *value}}));
}

std::vector<TResetStep> TFormatParamStore::ResetSteps(int code) const {
    const bool video = !List(code, TFormatParam::VideoEncoder).Items.empty();
    const bool audio = !List(code, TFormatParam::AudioEncoder).Items.empty();
    auto step = [&](TFormatParam param) {
        TResetStep s;
        s.Param = param;
        const TParamList list = List(code, param);
        s.Enabled = list.Enabled && (IsVideoParam(param) ? video : audio);
        const int index = DefaultIndex(code, param);
        if (index >= 0 && static_cast<size_t>(index) < list.Items.size()) {
            s.Index = index;
            s.Text = list.Items[static_cast<size_t>(index)];
        }
        return s;
    };
    TResetStep zoom;
    zoom.IsZoom = true;
    zoom.Index = 0;
    zoom.Text = "Full Screen";
    zoom.Enabled = video;
    return {step(TFormatParam::VideoEncoder),
            step(TFormatParam::VideoSize),
            step(TFormatParam::FrameRate),
            step(TFormatParam::VideoBitRate),
            zoom,
            step(TFormatParam::AudioEncoder),
            step(TFormatParam::AudioBitRate),
            step(TFormatParam::SampleRate),
            step(TFormatParam::Channel),
            step(TFormatParam::Volume)};
}

std::vector<TChoiceWrite> TFormatParamStore::DefaultWrites(int code) const {
    std::vector<TChoiceWrite> writes;
    for (const TResetStep& s : ResetSteps(code)) {
        if (!s.Enabled) continue;
        if (s.IsZoom) {
            if (const auto zoom = ZoomValue(s.Index)) writes.push_back({"paraZoom", *zoom});
        } else if (s.Index >= 0) {
            const auto step = ChoiceWrites(code, s.Param, s.Index, s.Text);
            writes.insert(writes.end(), step.begin(), step.end());
        }
    }
    return writes;
}

bool TFormatParamStore::Reset(int code) {
    const bool written = Write(code, DefaultWrites(code));
    if (written) unwritten_.erase(code);
    return written;
}

TPanelChoices TFormatParamStore::PanelChoices(int code) {
    SeedUntouched(code);
    // Each field starts at its fall-back, which a stored value replaces.
    auto text = [&](const char* key, std::string& field) { field = Read(code, key, field); };
    auto index = [&](const char* key, int& field) { field = ReadIndex(code, key, field); };
    TPanelChoices c;
    text("paraVideoSize", c.VideoSize);
    text("paraVideoBitRate", c.VideoBitRate);
    index("iFrameRate", c.FrameRateIndex);
    index("iVideoEncoder", c.VideoEncoderIndex);
    text("paraZoom", c.Zoom);
    text("paraSampleRate", c.SampleRate);
    text("paraAudioBitRate", c.AudioBitRate);
    index("iChannel", c.ChannelIndex);
    index("iVolume", c.VolumeIndex);
    index("iAudioEncoder", c.AudioEncoderIndex);
    return c;
}

TBuilderChoices TFormatParamStore::BuilderChoices(int code) {
    SeedUntouched(code);
    auto text = [&](const char* key, std::string& field) { field = Read(code, key, field); };
    TBuilderChoices c;
    text("paraVideoSize", c.VideoSize);
    text("paraVideoBitRate", c.VideoBitRate);
    text("paraFrameRate", c.FrameRate);
    text("paraVideoEncoder", c.VideoEncoder);
    text("paraSampleRate", c.SampleRate);
    text("paraAudioBitRate", c.AudioBitRate);
    text("paraChannel", c.Channel);
    text("paraVolume", c.Volume);
    if (c.AudioOnly()) c.AudioEncoder = kAudioOnlyDefaultEncoder;
    text("paraAudioEncoder", c.AudioEncoder);
    return c;
}

std::string TFormatParamStore::JobZoomMode(int code) {
    return Choice(code, "parazoom", "lbox");
}

} // namespace orvel
