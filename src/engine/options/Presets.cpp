#include "engine/options/Presets.h"

#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/StringUtils.h"
#include "engine/options/CodecNames.h"
#include "engine/options/OptionParser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvel {

namespace {

// The x264 presets were first written for the encoder's old generic option names; these
// texts say the same in today's names, mostly libx264's own options ("preset", "profile",
// "8x8dct", "direct-pred", "me_method", "partitions" in x264's syntax).
// A first pass needs no more than one reference, no partition search, a diamond search,
// no trellis and no 8x8 transform: the later pass does the real work.
#define FIRSTPASS "refs=1\nsubq=2\npartitions=none\ntrellis=0\n8x8dct=0\nme_method=dia\nfast-pskip=1\n"
#define FIRSTPASS_FASTEST "refs=1\npartitions=none\ntrellis=0\n8x8dct=0\nme_method=dia\nfast-pskip=1\n"
// Settings of the player profiles: what the old texts set, one line per old line.
#define DEVICE_COMMON                                                                                        \
    "flags=+loop\nlevel=30\ncmp=+chroma\nme_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\n"         \
    "sc_threshold=40\ni_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nrefs=1\n"          \
    "direct-pred=spatial\ntrellis=2\n"
// Main profile as the old encoder defaults gave it: no 8x8 transform, no weighted B.
#define PSP_BASE "coder=cabac\n" DEVICE_COMMON "partitions=i4x4,i8x8,p8x8,b8x8\nbf=3\n8x8dct=0\nweightb=0\n"
// Baseline: no CABAC, no B-frames, no 8x8 transform, no weighted prediction.
#define BASELINE "profile=baseline\ncoder=cavlc\nbf=0\n8x8dct=0\nweightp=none\nweightb=0\n"

const std::vector<TBuiltinPreset> kPresets = {
    {"libx264-baseline", BASELINE},
    {"libx264-default",
     "coder=cabac\nflags=+loop\ncmp=+chroma\npartitions=i8x8,i4x4,p8x8,b8x8\nme_method=hex\nsubq=7\n"
     "me_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nqmin=10\n"
     "qmax=51\nqdiff=4\nbf=3\nrefs=3\ndirect-pred=spatial\ntrellis=1\nmixed-refs=1\nweightb=1\n8x8dct=1\n"
     "fast-pskip=1\nweightp=smart\n"},
    {"libx264-fast", "preset=fast\n"},
    {"libx264-fast_firstpass", "preset=fast\n" FIRSTPASS},
    {"libx264-faster", "preset=faster\n"},
    {"libx264-faster_firstpass", "preset=faster\n" FIRSTPASS},
    {"libx264-fastfirstpass", "preset=medium\n" FIRSTPASS},
    {"libx264-hq", "preset=slow\n"},
    {"libx264-ipod320", BASELINE "level=13\nmaxrate=768000\nbufsize=3000000\n"},
    {"libx264-ipod640", BASELINE "refs=1\nlevel=30\nmaxrate=10000000\nbufsize=10000000\n"},
    {"libx264-lossless_fast", "preset=fast\nqp=0\n"},
    {"libx264-lossless_max", "preset=placebo\nqp=0\n"},
    {"libx264-lossless_medium", "preset=medium\nqp=0\n"},
    {"libx264-lossless_slow", "preset=slow\nqp=0\n"},
    {"libx264-lossless_slower", "preset=slower\nqp=0\n"},
    {"libx264-lossless_ultrafast", "preset=ultrafast\nqp=0\n"},
    {"libx264-main", "profile=main\n8x8dct=0\n"},
    {"libx264-max", "preset=placebo\n"},
    {"libx264-medium", "preset=medium\n"},
    {"libx264-medium_firstpass", "preset=medium\n" FIRSTPASS},
    {"libx264-normal", "preset=medium\n"},
    {"libx264-placebo", "preset=placebo\n"},
    {"libx264-placebo_firstpass", "preset=placebo\n" FIRSTPASS},
    {"libx264-slow", "preset=slow\n"},
    {"libx264-slow_firstpass", "preset=slow\n" FIRSTPASS},
    {"libx264-slower", "preset=slower\n"},
    {"libx264-slower_firstpass", "preset=slower\n" FIRSTPASS},
    // The full settings already in the first pass.
    {"libx264-slowfirstpass", "preset=slow\nfastfirstpass=0\n"},
    {"libx264-superfast", "preset=superfast\n"},
    {"libx264-superfast_firstpass", "preset=superfast\n" FIRSTPASS_FASTEST},
    {"libx264-ultrafast", "preset=ultrafast\n"},
    {"libx264-ultrafast_firstpass", "preset=ultrafast\n" FIRSTPASS_FASTEST},
    {"libx264-veryfast", "preset=veryfast\n"},
    {"libx264-veryfast_firstpass", "preset=veryfast\n" FIRSTPASS},
    {"libx264-veryslow", "preset=veryslow\n"},
    {"libx264-veryslow_firstpass", "preset=veryslow\n" FIRSTPASS},
    {"libx264-psp", PSP_BASE "b=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\n"},
    {"libx264-ps3", PSP_BASE "maxrate=3500000\nbufsize=4000000\nbt=256000\n"},
    {"libx264-ipod",
     "coder=cavlc\n" DEVICE_COMMON "partitions=i4x4,i8x8,p8x8\nb=1000000\nmaxrate=1250000\nbufsize=4000000\n"
     "bt=256000\nprofile=baseline\nbf=0\n8x8dct=0\nweightp=none\nweightb=0\n"},
    {"libx264-mp4", PSP_BASE "b=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\n"},
};

#undef FIRSTPASS
#undef FIRSTPASS_FASTEST
#undef DEVICE_COMMON
#undef PSP_BASE
#undef BASELINE

AVMediaType TypeOf(const std::string& option) {
    return option == "apre"   ? AVMEDIA_TYPE_AUDIO
           : option == "spre" ? AVMEDIA_TYPE_SUBTITLE
                              : AVMEDIA_TYPE_VIDEO;
}

} // namespace

const std::vector<TBuiltinPreset>& BuiltinPresets() {
    return kPresets;
}

const TBuiltinPreset* FindBuiltinPreset(std::string_view name) {
    for (const auto& p : kPresets)
        if (SameText(p.Name, name)) return &p;
    return nullptr;
}

void ApplyPresetText(TOptionParser& parser, const std::string& option, const std::string& presetName,
                     std::string_view text) {
    // A built-in preset names its encoder ("libx264-..."): its private options are found even
    // before that encoder is chosen.
    const AVMediaType type = TypeOf(option);
    const AVCodec* hint = nullptr;
    if (auto dash = presetName.find('-'); dash != std::string::npos && FindBuiltinPreset(presetName))
        hint = FindCodecByName(presetName.substr(0, dash), type, true);

    std::string body = Trim(text);
    std::string normalised;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r') {
            normalised += '\n';
            if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
        } else {
            normalised += body[i];
        }
    }
    std::istringstream lines(normalised);
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty()) continue;
        auto eq = line.find('=');
        const std::string key = eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        if (key.empty() || value.empty())
            throw FFmpegException(presetName + ": Invalid syntax: \"" + line + "\"");
        if (SameText(key, "acodec") || SameText(key, "vcodec") || SameText(key, "scodec")) {
            parser.Parse(Lower(key), value);
        } else if (!parser.SetGenericOption(key, value, type, hint)) {
            throw FFmpegException(presetName + ": Invalid option or argument: \"" + line +
                                  "\", parsed as \"" + key + "\" = \"" + value + "\"");
        }
    }
}

void ApplyPreset(TOptionParser& parser, const std::string& option, const std::string& value) {
    const TTaskSettings& s = parser.Settings();
    if (option != "fpre") {
        const TBuiltinPreset* preset = FindBuiltinPreset(value);
        std::string looked = value;
        if (!preset) {
            std::string codec;
            if (option == "vpre" && !s.VideoCodec.Name.empty())
                codec = s.VideoCodec.Name;
            else if (option == "apre" && !s.AudioCodec.Name.empty())
                codec = s.AudioCodec.Name;
            else if (!s.SubtitleCodec.Name.empty())
                codec = s.SubtitleCodec.Name;
            if (!codec.empty()) {
                looked = codec + "-" + value;
                preset = FindBuiltinPreset(looked);
            }
        }
        if (preset) {
            ApplyPresetText(parser, option, looked, preset->Text);
            return;
        }
    }
    std::error_code ec;
    if (value.empty() || !std::filesystem::is_regular_file(value, ec))
        throw FFmpegException("Preset \"" + value + "\" not found");
    std::ifstream in(value, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) throw FFmpegException("Preset \"" + value + "\" not found");
    ApplyPresetText(parser, option, value, text.str());
}

} // namespace orvel
