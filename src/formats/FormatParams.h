#pragma once
// Parameters of an output format, kept in two INI files under the same "formatInfo<code>"
// section: the format definition file (read only) offers the choices and their defaults, the
// settings file holds what the user chose. A choice is stored as the item index ("i" key) and
// as the value the option builder uses ("para" key), mapped from the item's display text.
#include "app/IniFile.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orvel {

enum class TFormatParam {
    VideoSize,
    VideoBitRate,
    FrameRate,
    VideoEncoder,
    AudioBitRate,
    SampleRate,
    AudioEncoder,
    Channel,
    Volume,
};

inline constexpr std::array<TFormatParam, 9> kAllFormatParams = {
    TFormatParam::VideoSize,    TFormatParam::VideoBitRate, TFormatParam::FrameRate,
    TFormatParam::VideoEncoder, TFormatParam::AudioBitRate, TFormatParam::SampleRate,
    TFormatParam::AudioEncoder, TFormatParam::Channel,      TFormatParam::Volume,
};

// "VideoSize" ...: the list key of the definition file.
const char* ParamName(TFormatParam param);
std::string ParamIndexKey(TFormatParam param); // "iVideoSize"
std::string ParamValueKey(TFormatParam param); // "paraVideoSize"
bool IsVideoParam(TFormatParam param);

// Items separated by ","; nothing is trimmed, and empty items are kept (a trailing "," gives an
// empty last item).
std::vector<std::string> SplitFormatList(const std::string& value);

struct TParamList {
    bool Enabled = false; // false: the parameter does not apply ("null")
    std::vector<std::string> Items;
};
// "null" disables; for the encoders, bit rate and sample rate of audio, channels and volume an
// empty value disables too, while an empty size, video bit rate or frame rate list is an
// enabled list without items.
TParamList ParseParamList(TFormatParam param, const std::string& value);

// Display text -> stored value. Nothing when the text has no mapping: the stored value then
// stays as it was.
std::optional<std::string> VideoEncoderValue(const std::string& display);
std::optional<std::string> AudioEncoderValue(const std::string& display);
std::optional<std::string> ChannelValue(const std::string& display);
std::optional<std::string> VolumeValue(const std::string& display);
// The "para" value of any parameter's item; sizes, bit rates and rates are stored as shown.
std::optional<std::string> ParamValueOf(TFormatParam param, const std::string& itemText);

// Zoom items 0, 1, 2 -> "full", "lbox", "pan".
std::optional<std::string> ZoomValue(int item);

// Extra settings of the H.264 encoder, copied from the definition when "h264" is chosen.
inline constexpr std::array<const char*, 7> kH264ExtraKeys = {
    "paraBitExact", "paraMaxBitrate", "paraBufferSize", "paraLevel", "paraQscale", "paraGop", "paraCoder",
};
bool H264ExtraQualifies(const std::string& key, const std::string& value);

// What the parameter panel shows when the user has stored nothing for a format.
struct TPanelChoices {
    std::string VideoSize = "320x240";
    std::string VideoBitRate = "768";
    int FrameRateIndex = 0;
    int VideoEncoderIndex = 0;
    std::string Zoom = "full";
    std::string SampleRate = "44100";
    std::string AudioBitRate = "96";
    int ChannelIndex = 0;
    int VolumeIndex = 0;
    int AudioEncoderIndex = 0;
};

// What the option builder uses when the user has stored nothing. These are independent of the
// panel's: a format never stored converts without a size ("null"), at 512 kbit/s and 128 kbit/s.
struct TBuilderChoices {
    std::string VideoSize = "null";
    std::string VideoBitRate = "512";
    std::string FrameRate = "29.97";
    std::string VideoEncoder; // empty: audio-only output
    std::string SampleRate = "44100";
    std::string AudioBitRate = "128";
    std::string Channel = "2";
    // 256 is the engine's unchanged volume: output converted before any choice was stored keeps
    // the source's loudness.
    std::string Volume = "256";
    std::string AudioEncoder; // "libfaac" by default for audio-only output, else empty
    bool AudioOnly() const;
};
inline constexpr const char* kAudioOnlyDefaultEncoder = "libfaac";

// One store of the Default button, in the order the button makes them.
struct TResetStep {
    bool IsZoom = false;
    TFormatParam Param = TFormatParam::VideoEncoder; // when not IsZoom
    int Index = -1;       // the definition's default item, -1 when the list has no such item
    std::string Text;     // that item's text
    bool Enabled = false; // false when the selector is disabled for this format
};

class TFormatParamStore {
public:
    TFormatParamStore(std::string formatIniPath, std::string settingsIniPath);

    // Definition file.
    std::string Definition(int code, const std::string& key, const std::string& def) const;
    std::string ContainerFormat(int code) const; // "Format", "null" when absent
    std::string FileExt(int code) const;         // "FileExt", "mp4" when absent
    TParamList List(int code, TFormatParam param) const;
    int DefaultIndex(int code, TFormatParam param) const;

    // Settings file: the user's choice of one item. Writes the "i" key, then the mapped "para"
    // key; choosing "h264" also copies the qualifying H.264 extras.
    // False when the settings file could not be written.
    bool StoreChoice(int code, TFormatParam param, int index, const std::string& itemText);
    bool StoreZoom(int code, int item);
    std::string Choice(int code, const std::string& key, const std::string& def) const;

    // The Default button: the stores to make, in order (video encoder, size, frame rate, video
    // bit rate, zoom, audio encoder, audio bit rate, sample rate, channels, volume).
    std::vector<TResetStep> ResetSteps(int code) const;
    // Makes those stores directly, skipping disabled selectors.
    bool Reset(int code); // false when any store failed

    TPanelChoices PanelChoices(int code) const;
    TBuilderChoices BuilderChoices(int code) const;
    // The zoom a job takes when it is added or converted ("parazoom", "lbox" when absent).
    std::string JobZoomMode(int code) const;

    const std::string& FormatIniPath() const { return definitions_.FileName(); }
    const std::string& SettingsIniPath() const { return settings_.FileName(); }

private:
    bool CopyH264Extras(int code);

    TIniFile definitions_;
    TIniFile settings_;
};

} // namespace orvel
