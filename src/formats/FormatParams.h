#pragma once
// Parameters of an output format, kept in two INI files under the same "formatInfo<code>"
// section: the format definition file (read only) offers the choices and their defaults, the
// settings file holds what the user chose. A choice is stored as the item index ("i" key) and
// as the value the option builder uses ("para" key), mapped from the item's display text.
#include "app/store/IniFile.h"

#include <array>
#include <map>
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

// Fall-back values of the parameter panel. A format whose section holds no stored choice reads
// as its definition's defaults (see TFormatParamStore), so these apply only to a key missing
// from a section that already holds choices (settings of an older version, a hand-edited file)
// or to a parameter the definition offers no list for.
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

// Fall-back values of the option builder, under the same rule as the panel's: independent of
// them, they fill only keys missing from a section that holds choices. Such a section without a
// stored video encoder converts sound only.
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

// One key of the settings file and the value to write into it.
struct TChoiceWrite {
    std::string Key;
    std::string Value;
};

// Every read of a format's choices goes through one rule: a section that holds no stored
// choice yet reads as if the Default button had stored the definition's defaults, and the first
// such read writes them, so the settings file and what the user is shown agree. When the file
// cannot be written, the defaults are still what every reader of this store gets.
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
    std::string Choice(int code, const std::string& key, const std::string& def);
    int ChoiceIndex(int code, const std::string& key, int def);
    // True when the section holds any "i"/"para" key of a parameter or the zoom.
    bool HasStoredChoice(int code) const;

    // The Default button: the stores to make, in order (video encoder, size, frame rate, video
    // bit rate, zoom, audio encoder, audio bit rate, sample rate, channels, volume).
    std::vector<TResetStep> ResetSteps(int code) const;
    // What those stores write, skipping disabled selectors.
    std::vector<TChoiceWrite> DefaultWrites(int code) const;
    // Makes those stores in one write of the file.
    bool Reset(int code); // false when the file could not be written

    TPanelChoices PanelChoices(int code);
    TBuilderChoices BuilderChoices(int code);
    // The zoom a job takes when it is added or converted ("parazoom", "lbox" when absent).
    std::string JobZoomMode(int code);

    const std::string& FormatIniPath() const { return definitions_.FileName(); }
    const std::string& SettingsIniPath() const { return settings_.FileName(); }

private:
    std::vector<TChoiceWrite> ChoiceWrites(int code, TFormatParam param, int index,
                                           const std::string& itemText) const;
    bool Write(int code, const std::vector<TChoiceWrite>& writes);
    std::string Read(int code, const std::string& key, const std::string& def) const;
    int ReadIndex(int code, const std::string& key, int def) const;
    // Stores the defaults of an untouched section; false when that write failed.
    bool SeedUntouched(int code);

    TIniFile definitions_;
    TIniFile settings_;
    // Defaults of untouched sections that could not be written (code -> writes, in order).
    std::map<int, std::vector<TChoiceWrite>> unwritten_;
};

} // namespace orvel
