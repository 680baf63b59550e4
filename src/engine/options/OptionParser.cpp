#include "engine/options/OptionParser.h"

#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/StringUtils.h"
#include "engine/options/CodecNames.h"
#include "engine/options/Presets.h"
#include "engine/options/Targets.h"
#include "engine/pictures/FrameHooks.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace orvel {

namespace {

std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char buf[1024];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

[[noreturn]] void Fail(const std::string& message) {
    throw FFmpegException(message);
}

// C's strtol/strtod prefix reading, which the map, matrix and scale syntaxes are built on:
// leading digits count, the rest is left for the caller.
long PrefixLong(const char*& p) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 0);
    p = end;
    return v;
}

// Locale-independent prefix read of a floating-point number; 0 when none.
double PrefixDouble(const char*& p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* start = p;
    if (*p == '+') ++p;
    double v = 0;
    auto [end, ec] = std::from_chars(p, p + std::char_traits<char>::length(p), v);
    if (ec != std::errc()) {
        p = start;
        return 0;
    }
    p = end;
    return v;
}

const int kTypeFlags[kMediaTypeCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                         AV_OPT_FLAG_SUBTITLE_PARAM, 0};

// Copies one option's value between two objects of the same class, by type, so that flag
// and numeric values survive exactly.
void CopyOption(void* src, void* dst, const AVOption* o) {
    switch (o->type) {
    case AV_OPT_TYPE_INT:
    case AV_OPT_TYPE_INT64:
    case AV_OPT_TYPE_UINT64:
    case AV_OPT_TYPE_FLAGS:
    case AV_OPT_TYPE_BOOL:
    case AV_OPT_TYPE_PIXEL_FMT:
    case AV_OPT_TYPE_SAMPLE_FMT:
    case AV_OPT_TYPE_DURATION: {
        int64_t v = 0;
        if (av_opt_get_int(src, o->name, 0, &v) >= 0) av_opt_set_int(dst, o->name, v, 0);
        break;
    }
    case AV_OPT_TYPE_DOUBLE:
    case AV_OPT_TYPE_FLOAT: {
        double v = 0;
        if (av_opt_get_double(src, o->name, 0, &v) >= 0) av_opt_set_double(dst, o->name, v, 0);
        break;
    }
    case AV_OPT_TYPE_RATIONAL:
    case AV_OPT_TYPE_VIDEO_RATE: {
        AVRational v{0, 1};
        if (av_opt_get_q(src, o->name, 0, &v) >= 0) av_opt_set_q(dst, o->name, v, 0);
        break;
    }
    default: {
        uint8_t* text = nullptr;
        if (av_opt_get(src, o->name, 0, &text) >= 0 && text)
            av_opt_set(dst, o->name, reinterpret_cast<const char*>(text), 0);
        av_free(text);
        break;
    }
    }
}

void SetPair(std::vector<std::pair<std::string, std::string>>& list, const std::string& name,
             const std::string& value) {
    for (auto& [n, v] : list) {
        if (n == name) {
            v = value;
            return;
        }
    }
    list.emplace_back(name, value);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Generic options

TGenericOptions::TGenericOptions() {
    for (int t = 0; t < kMediaTypeCount; ++t) {
        codecs_[t].reset(avcodec_alloc_context3(nullptr));
        if (!codecs_[t]) throw std::bad_alloc();
        codecs_[t]->codec_type = static_cast<AVMediaType>(t);
    }
    format_.reset(avformat_alloc_context());
    scaler_.reset(sws_alloc_context());
    if (!format_ || !scaler_) throw std::bad_alloc();
    av_opt_set_int(scaler_.get(), "srcw", 16, 0);
    av_opt_set_int(scaler_.get(), "srch", 16, 0);
    av_opt_set_int(scaler_.get(), "dstw", 16, 0);
    av_opt_set_int(scaler_.get(), "dsth", 16, 0);
    av_opt_set_int(scaler_.get(), "sws_flags", SWS_BICUBIC, 0);
}

TGenericOptions::~TGenericOptions() = default;
TGenericOptions::TGenericOptions(TGenericOptions&&) noexcept = default;
TGenericOptions& TGenericOptions::operator=(TGenericOptions&&) noexcept = default;

AVCodecContext* TGenericOptions::Codec(AVMediaType type) const {
    return type >= 0 && type < kMediaTypeCount ? codecs_[type].get() : nullptr;
}

int TGenericOptions::ScalerFlags() const {
    int64_t v = 0;
    av_opt_get_int(scaler_.get(), "sws_flags", 0, &v);
    return static_cast<int>(v);
}

const std::vector<std::pair<std::string, std::string>>&
TGenericOptions::PrivateCodecOptions(AVMediaType type) const {
    static const std::vector<std::pair<std::string, std::string>> none;
    return type >= 0 && type < kMediaTypeCount ? privateCodec_[type] : none;
}

void TGenericOptions::Remember(const std::string& name) {
    for (const auto& n : names_)
        if (n == name) return;
    names_.push_back(name);
}

bool TGenericOptions::SetPrivate(std::vector<std::pair<std::string, std::string>>& list, void* probe,
                                 const std::string& name, const std::string& value, bool& found) {
    if (found || !probe || !av_opt_find(probe, name.c_str(), nullptr, 0, 0)) return true;
    found = true;
    // Validated on a scratch object of the codec or muxer, kept as text for its real open.
    if (av_opt_set(probe, name.c_str(), value.c_str(), 0) < 0) return false;
    SetPair(list, name, value);
    return true;
}

bool TGenericOptions::Set(const std::string& rawName, const std::string& rawValue,
                          const TPrivateOptionScope& scope) {
    const std::string name = Trim(rawName), value = Trim(rawValue);
    if (name.empty() || value.empty()) return false;
    bool found = false, ok = true;
    std::string remembered = name;
    for (int t = 0; t < kMediaTypeCount && ok; ++t) {
        if (av_opt_find(codecs_[t].get(), name.c_str(), nullptr, kTypeFlags[t], 0)) {
            found = true;
            ok = av_opt_set(codecs_[t].get(), name.c_str(), value.c_str(), 0) >= 0;
        }
    }
    if (!found && av_opt_find(format_.get(), name.c_str(), nullptr, 0, 0)) {
        found = true;
        ok = av_opt_set(format_.get(), name.c_str(), value.c_str(), 0) >= 0;
    }
    if (!found && av_opt_find(scaler_.get(), name.c_str(), nullptr, 0, 0)) {
        found = true;
        ok = av_opt_set(scaler_.get(), name.c_str(), value.c_str(), 0) >= 0;
    }
    if (!found && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
        int t = name[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                : name[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                 : AVMEDIA_TYPE_SUBTITLE;
        std::string bare = name.substr(1);
        if (av_opt_find(codecs_[t].get(), bare.c_str(), nullptr, kTypeFlags[t], 0)) {
            found = true;
            remembered = bare;
            ok = av_opt_set(codecs_[t].get(), bare.c_str(), value.c_str(), 0) >= 0;
        }
    }
    // The chosen encoders' own options; `privateFound` tells whether one knows the name.
    auto setOnEncoders = [&](bool& privateFound) {
        bool accepted = true;
        for (int t : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE}) {
            const AVCodec* codec = scope.Codecs[t];
            if (privateFound || !codec || !codec->priv_class) continue;
            CodecContextPtr probe(avcodec_alloc_context3(codec));
            accepted =
                SetPrivate(privateCodec_[t], probe ? probe->priv_data : nullptr, name, value, privateFound);
        }
        return accepted;
    };
    bool isPrivate = false;
    if (found && !ok) {
        // A name the generic contexts know may still be the chosen encoder's own option with
        // other values (libx264's "profile" takes "baseline", the generic one a number).
        ok = setOnEncoders(isPrivate) && isPrivate;
    } else if (!found) {
        ok = setOnEncoders(found);
        if (!found && scope.Format && scope.Format->priv_class) {
            AVFormatContext* raw = nullptr;
            avformat_alloc_output_context2(&raw, scope.Format, nullptr, nullptr);
            OutputFormatContextPtr probe(raw);
            ok = SetPrivate(privateFormat_, probe ? probe->priv_data : nullptr, name, value, found);
        }
        isPrivate = found;
    }
    if (!found) return false;
    if (!ok) {
        av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
        return false;
    }
    if (!isPrivate) Remember(remembered);
    int64_t debug = 0, fdebug = 0;
    av_opt_get_int(codecs_[AVMEDIA_TYPE_VIDEO].get(), "debug", 0, &debug);
    av_opt_get_int(format_.get(), "fdebug", 0, &fdebug);
    if (debug || fdebug) FFLogger().SetLogLevel(llDebug);
    return true;
}

bool TGenericOptions::SetOnType(AVMediaType type, const std::string& rawName, const std::string& rawValue) {
    const std::string name = Trim(rawName), value = Trim(rawValue);
    AVCodecContext* ctx = Codec(type);
    if (!ctx || name.empty() || value.empty() ||
        !av_opt_find(ctx, name.c_str(), nullptr, kTypeFlags[type], 0))
        return false;
    if (av_opt_set(ctx, name.c_str(), value.c_str(), 0) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
        return false;
    }
    Remember(name);
    return true;
}

void TGenericOptions::ApplyTo(AVCodecContext* target, AVMediaType type, bool encoding) const {
    AVCodecContext* source = Codec(type);
    if (!target || !source) return;
    const int flags = (encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM) | kTypeFlags[type];
    for (const auto& name : names_) {
        if (const AVOption* o = av_opt_find(source, name.c_str(), nullptr, flags, 0))
            CopyOption(source, target, o);
    }
    if (!target->priv_data) return;
    for (const auto& [name, value] : privateCodec_[type]) {
        if (av_opt_find(target->priv_data, name.c_str(), nullptr, 0, 0))
            av_opt_set(target->priv_data, name.c_str(), value.c_str(), 0);
    }
}

void TGenericOptions::Snapshot(AVDictionary** dict, AVMediaType type, bool encoding) const {
    AVCodecContext* source = Codec(type);
    if (!source) return;
    const int flags = (encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM) | kTypeFlags[type];
    for (const auto& name : names_) {
        const AVOption* o = av_opt_find(source, name.c_str(), nullptr, flags, 0);
        if (!o) continue;
        uint8_t* text = nullptr;
        if (av_opt_get(source, o->name, 0, &text) >= 0 && text != nullptr)
            av_dict_set(dict, o->name, reinterpret_cast<char*>(text), AV_DICT_DONT_STRDUP_VAL);
    }
    AddPrivateTo(dict, type);
}

void TGenericOptions::AddPrivateTo(AVDictionary** dict, AVMediaType type) const {
    for (const auto& [name, value] : PrivateCodecOptions(type))
        av_dict_set(dict, name.c_str(), value.c_str(), 0);
}

void TGenericOptions::ApplyTo(AVFormatContext* target, bool encoding, AVDictionary** dict) const {
    if (!target) return;
    const int flags = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
    for (const auto& name : names_) {
        if (const AVOption* o = av_opt_find(format_.get(), name.c_str(), nullptr, flags, 0))
            CopyOption(format_.get(), target, o);
    }
    if (dict && encoding) {
        for (const auto& [name, value] : privateFormat_)
            av_dict_set(dict, name.c_str(), value.c_str(), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Values

int64_t ParseInt64Value(const std::string& text) {
    const std::string t = Trim(text);
    const char* p = t.c_str();
    bool neg = false;
    if (*p == '+' || *p == '-') neg = *p++ == '-';
    int base = 10;
    if (p[0] == '$') {
        base = 16;
        ++p;
    } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    uint64_t v = 0;
    const char* end = t.c_str() + t.size();
    auto [stop, ec] = std::from_chars(p, end, v, base);
    const uint64_t limit = neg ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (p == end || stop != end || ec != std::errc() || v > limit)
        Fail(Fmt("'%s' is not a valid integer value", text.c_str()));
    return neg ? int64_t(0 - v) : int64_t(v);
}

int ParseIntValue(const std::string& text) {
    int64_t v = ParseInt64Value(text);
    if (v < INT32_MIN || v > INT32_MAX) Fail(Fmt("'%s' is not a valid integer value", text.c_str()));
    return static_cast<int>(v);
}

double ParseFloatValue(const std::string& text) {
    const std::string t = Trim(text);
    const char* p = t.c_str();
    if (*p == '+') ++p;
    double v = 0;
    auto [stop, ec] = std::from_chars(p, t.c_str() + t.size(), v);
    if (*p == 0 || ec != std::errc() || stop != t.c_str() + t.size() || !std::isfinite(v))
        Fail(Fmt("'%s' is not a valid floating point value", text.c_str()));
    return v;
}

void TOptionHost::NewStream(AVMediaType) {
    Fail("At least one output file must be specified");
}

// ---------------------------------------------------------------------------------------------
// Handlers

namespace {

using S = TTaskSettings;

void Log(TLogLevel level, const std::string& text) {
    FFLogger().Log(nullptr, level, text);
}

template <auto Field> void SetBool(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().*Field = ParseBoolValue(v);
}
template <auto Field> void SetTrue(TOptionParser& p, const std::string&, const std::string&) {
    p.Settings().*Field = true;
}
template <auto Field> void SetInt(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().*Field = ParseIntValue(v);
}
template <auto Field> void SetFloat(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().*Field = ParseFloatValue(v);
}
template <auto Field> void SetText(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().*Field = v;
}
template <auto Field> void SetDuration(TOptionParser& p, const std::string& name, const std::string& v) {
    int64_t us = 0;
    if (av_parse_time(&us, v.c_str(), 1) < 0)
        Fail(Fmt("Invalid %s specification for %s: %s", "duration", name.c_str(), v.c_str()));
    p.Settings().*Field = us;
}
template <auto Field> void SetPositiveInt(TOptionParser& p, const std::string&, const std::string& v) {
    int n = ParseIntValue(v);
    if (n > 0) p.Settings().*Field = n;
}

void DoNothing(TOptionParser&, const std::string& name, const std::string&) {
    Log(llInfo, "Do nothing: option - " + name);
}
void Todo(TOptionParser&, const std::string& name, const std::string&) {
    Fail("TODO: option - " + name);
}
void TimeLimit(TOptionParser&, const std::string&, const std::string&) {
    Log(llWarning, "Warning: -timelimit not implemented on Windows");
}
void Pad(TOptionParser&, const std::string&, const std::string&) {
    Fail("Please use vfilters=pad");
}

void LogLevel(TOptionParser&, const std::string&, const std::string& v) {
    // Neither a level name nor a number: the value fails as a number does.
    if (!FFLogger().SetLogLevelByName(Trim(v))) Fail(Fmt("'%s' is not a valid integer value", v.c_str()));
}

void ForceFormat(TOptionParser& p, const std::string&, const std::string& v) {
    if (v == "pgmyuv") {
        p.Settings().ForcedFormat = "image2";
        p.Settings().PgmYuvCompat = true;
        Log(llInfo, "pgmyuv format is deprecated, use image2");
    } else {
        p.Settings().ForcedFormat = v;
    }
}

void Map(TOptionParser& p, const std::string&, const std::string& v) {
    auto& maps = p.Settings().StreamMaps;
    if (maps.size() >= kMaxStreamMaps) Fail(Fmt("Too many stream maps (at most %d)", kMaxStreamMaps));
    TStreamMap m;
    const char* s = v.c_str();
    m.FileIndex = int(PrefixLong(s));
    if (*s) ++s;
    m.StreamIndex = int(PrefixLong(s));
    if (*s) {
        ++s;
        m.SyncFileIndex = int(PrefixLong(s));
        if (*s) ++s;
        m.SyncStreamIndex = int(PrefixLong(s));
    } else {
        m.SyncFileIndex = m.FileIndex;
        m.SyncStreamIndex = m.StreamIndex;
    }
    maps.push_back(m);
}

void MapMetaData(TOptionParser& p, const std::string&, const std::string& v) {
    auto& maps = p.Settings().MetaDataMaps;
    if (maps.size() >= kMaxMetaDataMaps) Fail(Fmt("Too many metadata maps (at most %d)", kMaxMetaDataMaps));
    TMetaDataMap m;
    const char* s = v.c_str();
    m.OutFile = int(PrefixLong(s));
    if (*s) ++s;
    m.InFile = int(PrefixLong(s));
    maps.push_back(m);
}

void RecordingTime(TOptionParser& p, const std::string& name, const std::string& v) {
    SetDuration<&S::RecordingTime>(p, name, v);
    p.Host().SetTotalDuration(p.Settings().RecordingTime);
}

void ItsScale(TOptionParser& p, const std::string&, const std::string& v) {
    const char* s = v.c_str();
    long stream = PrefixLong(s);
    if (*s) ++s;
    double scale = PrefixDouble(s);
    if (stream < 0 || stream >= kMaxStreams) Fail(Fmt("stream index over MAX_STREAMS(%d)", kMaxStreams));
    int file = p.Host().InputCount();
    if (file >= 0 && file < kMaxFiles) p.Settings().InputTsScale[file][stream] = scale;
}

void Timestamp(TOptionParser& p, const std::string& name, const std::string& v) {
    int64_t us = 0;
    if (av_parse_time(&us, v.c_str(), 0) < 0)
        Fail(Fmt("Invalid %s specification for %s: %s", "date", name.c_str(), v.c_str()));
    p.Settings().RecordingTimestamp = std::llround(double(us) / 1000000.0);
}

void Metadata(TOptionParser& p, const std::string&, const std::string& v) {
    auto eq = v.find('=');
    if (eq == std::string::npos) Fail("Missing =");
    p.Settings().Metadata.emplace_back(v.substr(0, eq), v.substr(eq + 1));
}

void Target(TOptionParser& p, const std::string&, const std::string& v) {
    std::string type = Trim(v), norm = "auto";
    for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
        std::string pre = prefix;
        if (type.compare(0, pre.size(), pre) == 0) {
            norm = pre.substr(0, pre.size() - 1);
            type = type.substr(pre.size());
            break;
        }
    }
    ApplyTarget(p, type, norm, "ntsc");
}

void Bitrate(TOptionParser& p, const std::string& name, const std::string& v) {
    const AVMediaType type = name == "ab" ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    auto& g = p.Settings().Generic;
    bool ok = name == "b" ? p.SetGenericOption(name, v) : g.SetOnType(type, "b", v);
    if (ok && g.Codec(type)->bit_rate < 1000)
        Log(llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void FrameRate(TOptionParser& p, const std::string&, const std::string& v) {
    AVRational rate{0, 0};
    if (av_parse_video_rate(&rate, v.c_str()) < 0) Fail("Incorrect frame rate");
    p.Settings().FrameRate = rate;
}

void FrameSize(TOptionParser& p, const std::string&, const std::string& v) {
    int w = 0, h = 0;
    if (av_parse_video_size(&w, &h, v.c_str()) < 0) Fail("Incorrect frame size");
    p.Settings().FrameWidth = w;
    p.Settings().FrameHeight = h;
}

void Aspect(TOptionParser& p, const std::string&, const std::string& v) {
    double ratio = 0;
    const char* s = v.c_str();
    if (auto colon = v.find(':'); colon != std::string::npos) {
        double x = PrefixDouble(s);
        const char* rest = v.c_str() + colon + 1;
        double y = PrefixDouble(rest);
        ratio = y > 0 ? x / y : 0;
    } else {
        ratio = PrefixDouble(s);
    }
    if (ratio == 0 || !std::isfinite(ratio)) Fail("Incorrect aspect ratio specification.");
    p.Settings().AspectRatio = ratio;
}

void PixelFormat(TOptionParser& p, const std::string&, const std::string& v) {
    if (v == "list") {
        for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d; d = av_pix_fmt_desc_next(d))
            Log(llInfo, Fmt("%-16s %2d %3d", d->name, d->nb_components, av_get_bits_per_pixel(d)));
        return;
    }
    AVPixelFormat fmt = av_get_pix_fmt(v.c_str());
    if (fmt == AV_PIX_FMT_NONE) Fail(Fmt("Unknown pixel format requested: %s", v.c_str()));
    p.Settings().PixelFormat = fmt;
}

void Crop(TOptionParser& p, const std::string& name, const std::string& v) {
    int band = ParseIntValue(v);
    if (band <= 0) return;
    auto& s = p.Settings();
    const bool vertical = name == "croptop" || name == "cropbottom";
    int& extent = vertical ? s.FrameHeight : s.FrameWidth;
    if (band >= extent)
        Fail(vertical ? "Vertical crop dimensions are outside the range of the original image.\n"
                        "Remember to crop first and scale second."
                      : "Horizontal crop dimensions are outside the range of the original image.\n"
                        "Remember to crop first and scale second.");
    const char* which = name == "croptop"      ? "Top"
                        : name == "cropbottom" ? "Bottom"
                        : name == "cropleft"   ? "Left"
                                               : "Right";
    Log(llWarning, Fmt("Crop%s is deprecated in favor of the crop avfilter", which));
    (name == "croptop"      ? s.CropTop
     : name == "cropbottom" ? s.CropBottom
     : name == "cropleft"   ? s.CropLeft
                            : s.CropRight) = band;
    extent -= band;
}

void QScale(TOptionParser& p, const std::string&, const std::string& v) {
    double q = ParseFloatValue(v);
    if (q <= 0 || q > 255) Fail("qscale must be > 0.0 and <= 255");
    p.Settings().VideoQScale = q;
}

void SelectCodec(TCodecSelection& sel, const std::string& v) {
    if (v == "copy") {
        sel.Copy = true;
    } else {
        // A later name overrides an earlier "copy", as a later option does everywhere else.
        sel.Name = v;
        sel.Copy = false;
    }
}
void VideoCodec(TOptionParser& p, const std::string&, const std::string& v) {
    SelectCodec(p.Settings().VideoCodec, v);
}
void AudioCodec(TOptionParser& p, const std::string&, const std::string& v) {
    SelectCodec(p.Settings().AudioCodec, v);
}
void SubtitleCodec(TOptionParser& p, const std::string&, const std::string& v) {
    SelectCodec(p.Settings().SubtitleCodec, v);
}

void Pass(TOptionParser& p, const std::string&, const std::string& v) {
    int pass = ParseIntValue(v);
    if (pass != 1 && pass != 2) Fail("pass number can be only 1 or 2");
    p.Settings().Pass = pass;
}

std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, size_t(n));
    return path.substr(0, path.rfind('/') + 1);
}

void VideoStats(TOptionParser& p, const std::string&, const std::string&) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
    p.Settings().VideoStatsFile = Fmt("%svstats_%s.log", ProgramFolder().c_str(), stamp);
}

void VideoHook(TOptionParser& p, const std::string&, const std::string& v) {
    AddFrameHook(p.Settings().FrameHooks, v);
}

std::vector<uint16_t> ParseMatrix(const std::string& v) {
    std::vector<uint16_t> m(64);
    const char* s = v.c_str();
    for (int i = 0; i < 64; ++i) {
        m[i] = static_cast<uint16_t>(std::atoi(s));
        if (i == 63) break;
        s = strchr(s, ',');
        if (!s) Fail(Fmt("Syntax error in matrix \"%s\" at coeff %d", v.c_str(), i));
        ++s;
    }
    return m;
}
void IntraMatrix(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().IntraMatrix = ParseMatrix(v);
}
void InterMatrix(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().InterMatrix = ParseMatrix(v);
}

uint32_t CodecTag(const std::string& v, const char* what) {
    if (v.size() != 4) Fail(Fmt("%s tag parameter must be 4 chars", what));
    auto b = [&](int i) { return uint32_t(uint8_t(v[i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}
void VideoTag(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().VideoCodecTag = CodecTag(v, "video");
}
void AudioTag(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().AudioCodecTag = CodecTag(v, "audio");
}
void SubtitleTag(TOptionParser& p, const std::string&, const std::string& v) {
    p.Settings().SubtitleCodecTag = CodecTag(v, "subtitle");
}

void NewVideo(TOptionParser& p, const std::string&, const std::string&) {
    p.Host().NewStream(AVMEDIA_TYPE_VIDEO);
}
void NewAudio(TOptionParser& p, const std::string&, const std::string&) {
    p.Host().NewStream(AVMEDIA_TYPE_AUDIO);
}
void NewSubtitle(TOptionParser& p, const std::string&, const std::string&) {
    p.Host().NewStream(AVMEDIA_TYPE_SUBTITLE);
}

void StreamId(TOptionParser& p, const std::string& name, const std::string& v) {
    auto colon = v.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == v.size())
        Fail(Fmt("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", v.c_str(),
                 name.c_str()));
    int index = ParseIntValue(v.substr(0, colon));
    int id = ParseIntValue(v.substr(colon + 1));
    if (index < 0 || index >= kMaxStreams) Fail(Fmt("stream index over MAX_STREAMS(%d)", kMaxStreams));
    p.Settings().StreamIdMap[index] = id;
}

void SampleFormat(TOptionParser& p, const std::string&, const std::string& v) {
    if (v == "list") {
        char buf[128];
        for (int f = -1; f < AV_SAMPLE_FMT_NB; ++f)
            Log(llInfo, av_get_sample_fmt_string(buf, sizeof buf, AVSampleFormat(f)));
        return;
    }
    p.Settings().SampleFormat = av_get_sample_fmt(v.c_str());
}

void BitstreamFilter(TOptionParser& p, const std::string& name, const std::string& v) {
    if (v.empty() || v[0] == '=') return;
    auto eq = v.find('=');
    std::string filterName = Trim(v.substr(0, eq));
    const AVBitStreamFilter* filter = av_bsf_get_by_name(filterName.c_str());
    AVBSFContext* raw = nullptr;
    if (!filter || av_bsf_alloc(filter, &raw) < 0) Fail(Fmt("Unknown bitstream filter %s", Trim(v).c_str()));
    BsfContextPtr ctx(raw);
    if (eq != std::string::npos && ctx->priv_data &&
        av_set_options_string(ctx->priv_data, v.c_str() + eq + 1, "=", ":") < 0)
        Log(llWarning,
            Fmt("Bitstream filter %s ignores the arguments \"%s\"", filterName.c_str(), v.c_str() + eq + 1));
    auto& s = p.Settings();
    (name == "vbsf"   ? s.VideoBitstreamFilters
     : name == "absf" ? s.AudioBitstreamFilters
                      : s.SubtitleBitstreamFilters)
        .push_back(std::move(ctx));
}

void Preset(TOptionParser& p, const std::string& name, const std::string& v) {
    ApplyPreset(p, name, v);
}

using K = TOptionKind;

} // namespace

const std::vector<TOptionRow>& TOptionParser::Table() {
    static const std::vector<TOptionRow> table = {
        // do nothing or refused
        {"L", K::Nothing, DoNothing},
        {"h", K::Nothing, DoNothing},
        {"version", K::Nothing, DoNothing},
        {"formats", K::Nothing, DoNothing},
        {"codecs", K::Nothing, DoNothing},
        {"bsfs", K::Nothing, DoNothing},
        {"protocols", K::Nothing, DoNothing},
        {"filters", K::Nothing, DoNothing},
        {"i", K::Nothing, DoNothing},
        {"y", K::Nothing, DoNothing},
        {"benchmark", K::Nothing, DoNothing},
        {"threads", K::Refused, Todo},
        {"timelimit", K::Nothing, TimeLimit},
        {"padtop", K::Refused, Pad},
        {"padbottom", K::Refused, Pad},
        {"padleft", K::Refused, Pad},
        {"padright", K::Refused, Pad},
        {"padcolor", K::Refused, Pad},
        // general and file
        {"loglevel", K::Special, LogLevel},
        {"f", K::Text, ForceFormat},
        {"map", K::Special, Map},
        {"map_meta_data", K::Special, MapMetaData},
        {"t", K::Duration, RecordingTime},
        {"fs", K::Integer,
         [](TOptionParser& p, const std::string&, const std::string& v) {
             p.Settings().FileSizeLimit = ParseInt64Value(v);
         }},
        {"ss", K::Duration, SetDuration<&S::StartTime>},
        {"itsoffset", K::Duration, SetDuration<&S::InputTsOffset>},
        {"itsscale", K::Special, ItsScale},
        {"timestamp", K::Special, Timestamp},
        {"metadata", K::Special, Metadata},
        {"dframes", K::Integer, SetInt<&S::MaxFramesData>},
        {"vframes", K::Integer, SetInt<&S::MaxFramesVideo>},
        {"aframes", K::Integer, SetInt<&S::MaxFramesAudio>},
        {"dump", K::Boolean, SetBool<&S::PacketDump>},
        {"hex", K::Boolean, SetBool<&S::HexDump>},
        {"re", K::Boolean, SetBool<&S::RateEmulation>},
        {"loop_input", K::Boolean, SetBool<&S::LoopInput>},
        {"loop_output", K::Integer, SetInt<&S::LoopOutput>},
        {"v", K::Integer, SetInt<&S::Verbosity>},
        {"target", K::Special, Target},
        {"vsync", K::Integer, SetInt<&S::VideoSyncMethod>},
        {"async", K::Integer, SetInt<&S::AudioSyncMethod>},
        {"adrift_threshold", K::Float, SetFloat<&S::AudioDriftThreshold>},
        {"vglobal", K::Integer, SetInt<&S::VideoGlobalHeader>},
        {"copyts", K::Boolean, SetTrue<&S::CopyTimestamps>},
        {"shortest", K::Boolean, SetBool<&S::Shortest>},
        {"dts_delta_threshold", K::Float, SetFloat<&S::DtsDeltaThreshold>},
        {"programid", K::Integer, SetInt<&S::ProgramId>},
        {"xerror", K::Boolean, SetTrue<&S::ExitOnError>},
        {"copyinkf", K::Integer, SetInt<&S::CopyInitialNonKeyFrames>},
        {"muxdelay", K::Float, SetFloat<&S::MuxMaxDelay>},
        {"muxpreload", K::Float, SetFloat<&S::MuxPreload>},
        {"isync", K::Boolean, SetBool<&S::InputSync>},
        // video
        {"b", K::Special, Bitrate},
        {"vb", K::Special, Bitrate},
        {"r", K::Special, FrameRate},
        {"s", K::Special, FrameSize},
        {"aspect", K::Special, Aspect},
        {"pix_fmt", K::Special, PixelFormat},
        {"croptop", K::Integer, Crop},
        {"cropbottom", K::Integer, Crop},
        {"cropleft", K::Integer, Crop},
        {"cropright", K::Integer, Crop},
        {"intra", K::Boolean, SetBool<&S::IntraOnly>},
        {"vn", K::Boolean, SetBool<&S::VideoDisable>},
        {"vdt", K::Integer, SetInt<&S::VideoDiscard>},
        {"qscale", K::Float, QScale},
        {"rc_override", K::Text, SetText<&S::RcOverride>},
        {"vcodec", K::Text, VideoCodec},
        {"me_threshold", K::Integer, SetInt<&S::MeThreshold>},
        {"sameq", K::Boolean, SetBool<&S::SameQuality>},
        {"pass", K::Integer, Pass},
        {"passlogfile", K::Text, SetText<&S::PassLogFile>},
        {"deinterlace", K::Boolean, SetBool<&S::Deinterlace>},
        {"psnr", K::Boolean, SetBool<&S::Psnr>},
        {"vstats", K::Special, VideoStats},
        {"vstats_file", K::Text, SetText<&S::VideoStatsFile>},
        {"vhook", K::Special, VideoHook},
        {"vfilters", K::Text, SetText<&S::VideoFilters>},
        {"vf", K::Text, SetText<&S::VideoFilters>},
        {"intra_matrix", K::Special, IntraMatrix},
        {"inter_matrix", K::Special, InterMatrix},
        {"top", K::Integer, SetInt<&S::TopFieldFirst>},
        {"dc", K::Integer, SetInt<&S::IntraDcPrecision>},
        {"vtag", K::Special, VideoTag},
        {"newvideo", K::Special, NewVideo},
        {"vlang", K::Text, SetText<&S::VideoLanguage>},
        {"qphist", K::Boolean, SetBool<&S::QpHistogram>},
        {"force_fps", K::Boolean, SetBool<&S::ForceFps>},
        {"streamid", K::Special, StreamId},
        {"vc", K::Integer, SetInt<&S::VideoChannel>},
        {"tvstd", K::Text, SetText<&S::TvStandard>},
        // audio
        {"ab", K::Special, Bitrate},
        {"aq", K::Float, SetFloat<&S::AudioQScale>},
        {"ar", K::Integer, SetPositiveInt<&S::SampleRate>},
        {"ac", K::Integer, SetPositiveInt<&S::Channels>},
        {"an", K::Boolean, SetBool<&S::AudioDisable>},
        {"acodec", K::Text, AudioCodec},
        {"atag", K::Special, AudioTag},
        {"vol", K::Integer, SetInt<&S::AudioVolume>},
        {"newaudio", K::Special, NewAudio},
        {"alang", K::Text, SetText<&S::AudioLanguage>},
        {"sample_fmt", K::Special, SampleFormat},
        // subtitles
        {"sn", K::Boolean, SetBool<&S::SubtitleDisable>},
        {"scodec", K::Text, SubtitleCodec},
        {"newsubtitle", K::Special, NewSubtitle},
        {"slang", K::Text, SetText<&S::SubtitleLanguage>},
        {"stag", K::Special, SubtitleTag},
        // bitstream filters and presets
        {"vbsf", K::Special, BitstreamFilter},
        {"absf", K::Special, BitstreamFilter},
        {"sbsf", K::Special, BitstreamFilter},
        {"vpre", K::Special, Preset},
        {"apre", K::Special, Preset},
        {"spre", K::Special, Preset},
        {"fpre", K::Special, Preset},
    };
    return table;
}

TOptionParser::TOptionParser(TTaskSettings& settings, TOptionHost* host) : settings_(settings), host_(host) {
    static TOptionHost noHost;
    if (!host_) host_ = &noHost;
}

void TOptionParser::Parse(const std::string& name, const std::string& value) {
    for (const auto& row : Table()) {
        if (row.Name == name) {
            row.Handler(*this, name, value);
            return;
        }
    }
    SetGenericOption(name, value);
}

bool TOptionParser::SetGenericOption(const std::string& name, const std::string& value) {
    return SetGenericOption(name, value, AVMEDIA_TYPE_UNKNOWN, nullptr);
}

bool TOptionParser::SetGenericOption(const std::string& name, const std::string& value, AVMediaType type,
                                     const AVCodec* fallback) {
    // Names only a chosen encoder or the forced muxer knows (libx264's "preset", the MPEG
    // muxer's "muxrate") are looked up there.
    TPrivateOptionScope scope;
    auto encoder = [&](const TCodecSelection& sel, AVMediaType type) {
        return sel.Copy ? nullptr : FindCodecByName(sel.Name, type, true, settings_.Strictness(type));
    };
    scope.Codecs[AVMEDIA_TYPE_VIDEO] = encoder(settings_.VideoCodec, AVMEDIA_TYPE_VIDEO);
    scope.Codecs[AVMEDIA_TYPE_AUDIO] = encoder(settings_.AudioCodec, AVMEDIA_TYPE_AUDIO);
    scope.Codecs[AVMEDIA_TYPE_SUBTITLE] = encoder(settings_.SubtitleCodec, AVMEDIA_TYPE_SUBTITLE);
    if (type >= 0 && type < kMediaTypeCount && !scope.Codecs[type]) scope.Codecs[type] = fallback;
    if (!settings_.ForcedFormat.empty())
        scope.Format = av_guess_format(settings_.ForcedFormat.c_str(), nullptr, nullptr);
    return settings_.Generic.Set(name, value, scope);
}

} // namespace orvel
