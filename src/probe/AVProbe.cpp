#include "probe/AVProbe.h"

#include "engine/foundation/AVHandles.h"
#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/UnicodeProtocol.h"
#include "engine/pictures/PictureTurner.h"

extern "C" {
#include <libavutil/parseutils.h>
}

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace orvel {
namespace {

constexpr const char* kCrLf = "\r\n";

int ClampInt(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int64_t ToMicroseconds(int64_t ticks, AVRational tb) {
    return ticks == AV_NOPTS_VALUE ? -1 : av_rescale_q(ticks, tb, AV_TIME_BASE_Q);
}

// "%d.%.6d" of a microsecond count. A negative count keeps its sign once, before the seconds.
std::string SecondsText(int64_t us) {
    const char* sign = us < 0 ? "-" : "";
    const int64_t v = std::llabs(us);
    return StrFormat("%s%lld.%.6lld", sign, static_cast<long long>(v / 1000000),
                     static_cast<long long>(v % 1000000));
}

// A leading whole number of a metadata text ("2009-05-01", "3/12"); 0 when there is none.
int LeadingNumber(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

// ID3v2 frame names shown under their common names.
const char* CommonKeyName(const char* key) {
    static const char* const table[][2] = {
        {"TALB", "album"},      {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
        {"TCO", "genre"},       {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
        {"TEN", "encoder"},     {"TSOA", "albumsort"}, {"TSOT", "titlesort"}, {"TIT2", "title"},
        {"TT2", "title"},       {"TLAN", "language"},  {"TPE1", "artist"},    {"TP1", "artist"},
        {"TPOS", "disc"},       {"TPUB", "publisher"}, {"TRCK", "track"},     {"TRK", "track"},
        {"TSOP", "authorsort"}, {"TYER", "year"},
    };
    for (const auto& row : table)
        if (std::strcmp(key, row[0]) == 0) return row[1];
    return key;
}

void AppendMetadata(std::string& out, const AVDictionary* m, const char* indent) {
    const int count = av_dict_count(m);
    if (count == 0 || (count == 1 && av_dict_get(m, "language", nullptr, AV_DICT_MATCH_CASE))) return;
    out += StrFormat("%sMetadata:", indent) + kCrLf;
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(m, "", e, AV_DICT_IGNORE_SUFFIX))) {
        if (std::strcmp(e->key, "language") == 0) continue;
        out += StrFormat("%s  %-16s: %s", indent, CommonKeyName(e->key), e->value) + kCrLf;
    }
}

// A rate as the libraries' dump writes it: two decimals when it has a fraction, "k" for whole
// thousands.
void AppendRate(std::string& out, AVRational r, const char* name) {
    if (r.num == 0 || r.den == 0) return;
    const double d = av_q2d(r);
    const int64_t v = std::llround(d * 100);
    if (v % 100)
        out += StrFormat(", %3.2f %s", d, name);
    else if (v % (100 * 1000))
        out += StrFormat(", %1.0f %s", d, name);
    else
        out += StrFormat(", %1.0fk %s", d / 1000, name);
}

// Today's streams carry their parameters in codecpar; a decoder context opened from them
// stands in for the stream's own codec context of the older libraries.
CodecContextPtr DecoderContext(const AVStream* st) {
    const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
    CodecContextPtr ctx(avcodec_alloc_context3(decoder));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return nullptr;
    if (decoder) {
        ctx->thread_count = 1;
        auto lock = LockCodecs();
        if (avcodec_open2(ctx.get(), decoder, nullptr) < 0) {
            // Described from the parameters alone.
            ctx.reset(avcodec_alloc_context3(nullptr));
            if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return nullptr;
        }
    }
    return ctx;
}

void FreeDecoderContext(CodecContextPtr& ctx) {
    auto lock = LockCodecs();
    ctx.reset();
}

// The codec time base: the context's own when it states one, else one tick per field or
// frame of the frame rate the decoder found.
AVRational CodecTimeBase(const AVCodecContext* ctx) {
    if (ctx->time_base.num && ctx->time_base.den) return ctx->time_base;
    if (ctx->framerate.num && ctx->framerate.den)
        return av_inv_q(av_mul_q(ctx->framerate, AVRational{std::max(ctx->ticks_per_frame, 1), 1}));
    return AVRational{0, 1};
}

void RepairTimeBase(AVStream* st) {
    if (st->time_base.den == 0) st->time_base.den = st->time_base.num;
    if (st->time_base.den == 0) st->time_base.den = 1;
}

} // namespace

TCustomAVProbe::TCustomAVProbe() = default;

TCustomAVProbe::~TCustomAVProbe() {
    Close();
}

void TCustomAVProbe::CheckLibraries() const {
    const TFFmpegLoader& loader = FFLoader();
    if (!loader.Loaded(lkAVCodec)) throw FFmpegException("LibAVCodec not loaded.");
    if (!loader.Loaded(lkAVFormat)) throw FFmpegException("LibAVFormat not loaded.");
    if (!loader.Loaded(lkAVUtil)) throw FFmpegException("LibAVUtil not loaded.");
    if (!loader.Loaded(lkSwScale)) throw FFmpegException("LibSwScale not loaded.");
}

void TCustomAVProbe::Report(int libraryLevel, const std::string& text) {
    lastError_ = text;
    FFLogger().Log(this, LibraryToLogLevel(libraryLevel), text);
}

bool TCustomAVProbe::NeedInput() {
    if (input_) return true;
    Report(AV_LOG_WARNING, "file not loaded.");
    return false;
}

bool TCustomAVProbe::LoadFile(const std::string& fileName, const std::string& formatName) {
    CheckLibraries();
    Close();
    const AVInputFormat* format = nullptr;
    if (!formatName.empty()) {
        format = av_find_input_format(formatName.c_str());
        if (!format) {
            lastError_ = "Unknown input format: " + formatName;
            return false;
        }
    }
    const std::string url = InputUrl(fileName);
    AVFormatContext* ctx = nullptr;
    const int r = OpenInput(&ctx, url, format, nullptr);
    if (r < 0) {
        Report(AV_LOG_ERROR, ErrorText(FileNameOfUrl(fileName), r));
        Close();
        return false;
    }
    input_ = ctx;
    ownsInput_ = true;
    int found;
    {
        auto lock = LockCodecs();
        found = avformat_find_stream_info(input_, nullptr);
    }
    if (found < 0) {
        lastError_ = FileNameOfUrl(fileName) + ": could not find codec parameters";
        Close();
        return false;
    }
    ReadStreamInfo();
    forcedFormat_ = formatName;
    return true;
}

void TCustomAVProbe::Attach(AVFormatContext* input) {
    CheckLibraries();
    Close();
    ownsInput_ = false;
    input_ = input;
    ReadStreamInfo();
}

void TCustomAVProbe::Close() {
    forcedFormat_.clear();
    if (input_ && ownsInput_) CloseInput(&input_);
    input_ = nullptr;
    ownsInput_ = false;
    ReadStreamInfo();
}

void TCustomAVProbe::ReadStreamInfo() {
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioCount_ = videoCount_ = subtitleCount_ = -1;
    audioIndex_ = videoIndex_ = subtitleIndex_ = -1;
    if (!input_) return;

    const int64_t stated = input_->pb ? avio_size(input_->pb) : -1;
    if (stated > 0) {
        fileSize_ = stated;
    } else {
        const std::filesystem::path path = FileNameOfUrl(input_->url ? input_->url : "");
        std::error_code ec;
        if (!path.empty() && std::filesystem::exists(path, ec)) {
            const auto size = std::filesystem::file_size(path, ec);
            fileSize_ = ec ? -1 : static_cast<int64_t>(size);
        } else if (stated >= 0) {
            fileSize_ = stated;
        } // a negative stated size is the library's error code (a stream that cannot seek)
    }

    streamCount_ = static_cast<int>(input_->nb_streams);
    programCount_ = static_cast<int>(input_->nb_programs);
    audioCount_ = videoCount_ = subtitleCount_ = 0;
    for (int i = 0; i < streamCount_; ++i) {
        switch (input_->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (videoCount_++ == 0) videoIndex_ = i;
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (audioCount_++ == 0) audioIndex_ = i;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (subtitleCount_++ == 0) subtitleIndex_ = i;
            break;
        default:
            break;
        }
    }
}

bool TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info) {
    info = TFileStreamInfo{};
    if (!NeedInput()) return false;
    info.StartTime = input_->start_time == AV_NOPTS_VALUE ? -1 : input_->start_time;
    info.Duration = input_->duration == AV_NOPTS_VALUE ? -1 : input_->duration;
    info.BitRate = ClampInt(input_->bit_rate);
    // Today's containers state creation time, year and track as metadata texts.
    int64_t created = 0;
    const std::string creation = MetadataValue(input_->metadata, "creation_time");
    if (!creation.empty() && av_parse_time(&created, creation.c_str(), 0) == 0)
        info.Timestamp = created / 1000000;
    else
        info.Timestamp = 0;
    std::string year = MetadataValue(input_->metadata, "year");
    if (year.empty()) year = MetadataValue(input_->metadata, "date");
    info.Year = LeadingNumber(year);
    info.Track = LeadingNumber(MetadataValue(input_->metadata, "track"));
    info.Title = MetadataValue(input_->metadata, "title");
    // The older libraries named the performer "author"; today's call it "artist".
    info.Author = MetadataValue(input_->metadata, "author", MetadataValue(input_->metadata, "artist"));
    info.Copyright = MetadataValue(input_->metadata, "copyright");
    info.Comment = MetadataValue(input_->metadata, "comment");
    info.Album = MetadataValue(input_->metadata, "album");
    info.Genre = MetadataValue(input_->metadata, "genre");
    return true;
}

namespace {
// Resolves the stream of an information call; reports and answers null when there is none.
template <typename Report>
AVStream* ChooseStream(AVFormatContext* input, int index, int first, int count, AVMediaType type,
                       const char* kind, Report report) {
    if (index < 0) {
        if (first < 0) {
            report(AV_LOG_ERROR, StrFormat("no %s stream.", kind));
            return nullptr;
        }
        index = first;
    } else if (index >= count) {
        report(AV_LOG_ERROR, StrFormat("stream index #%d is invalid.", index));
        return nullptr;
    }
    AVStream* st = input->streams[index];
    if (st->codecpar->codec_type != type) {
        report(AV_LOG_ERROR, StrFormat("stream #%d is not %s stream.", index, kind));
        return nullptr;
    }
    return st;
}

void FillCommon(AVStream* st, TStreamInfoHead& info) {
    info.Language = MetadataValue(st->metadata, "language");
    info.CodecName = CodecDescription(avcodec_find_decoder(st->codecpar->codec_id), st->codecpar->codec_id,
                                      st->codecpar->codec_tag);
    RepairTimeBase(st);
    info.StartTicks = st->start_time;
    info.StartTime = ToMicroseconds(st->start_time, st->time_base);
    info.DurationTicks = st->duration;
    info.Duration = ToMicroseconds(st->duration, st->time_base);
    info.BitRate = ClampInt(st->codecpar->bit_rate);
}
} // namespace

bool TCustomAVProbe::GetAudioStreamInfo(int index, TAudioStreamInfo& info) {
    info = TAudioStreamInfo{};
    if (!NeedInput()) return false;
    AVStream* st = ChooseStream(input_, index, audioIndex_, streamCount_, AVMEDIA_TYPE_AUDIO, "audio",
                                [this](int level, const std::string& t) { Report(level, t); });
    if (!st) return false;
    FillCommon(st, info);
    info.Channels = st->codecpar->ch_layout.nb_channels;
    info.SampleRate = st->codecpar->sample_rate;
    info.SampleFormat = st->codecpar->format;
    return true;
}

bool TCustomAVProbe::GetVideoStreamInfo(int index, TVideoStreamInfo& info) {
    info = TVideoStreamInfo{};
    if (!NeedInput()) return false;
    AVStream* st = ChooseStream(input_, index, videoIndex_, streamCount_, AVMEDIA_TYPE_VIDEO, "video",
                                [this](int level, const std::string& t) { Report(level, t); });
    if (!st) return false;
    FillCommon(st, info);
    const AVCodecParameters* par = st->codecpar;
    // The picture as a player shows it: a stream turned a quarter turn shows its sides swapped.
    const bool swap = SwapsSides(DisplayRotation(st));
    info.Height = swap ? par->width : par->height;
    info.Width = swap ? par->height : par->width;
    info.PixelFormat = par->format;
    // A codec without a pixel aspect states 0/1 (aspect 0); a height of 0 gives inf or NaN.
    const long double sar = static_cast<long double>(par->sample_aspect_ratio.num) /
                            (par->sample_aspect_ratio.den ? par->sample_aspect_ratio.den : 1);
    const long double stored = sar * par->width / par->height;
    info.DisplayAspect = static_cast<float>(swap && stored != 0 ? 1 / stored : stored);
    info.FrameRateNum = st->r_frame_rate.num;
    info.FrameRateDen = st->r_frame_rate.den;
    return true;
}

bool TCustomAVProbe::IsStreamOfType(int index, int type) {
    if (!NeedInput()) return false;
    if (index < 0 || index >= streamCount_) {
        Report(AV_LOG_ERROR, StrFormat("stream index #%d is invalid.", index));
        return false;
    }
    return input_->streams[index]->codecpar->codec_type == type;
}

bool TCustomAVProbe::IsAudioStream(int index) {
    return IsStreamOfType(index, AVMEDIA_TYPE_AUDIO);
}

bool TCustomAVProbe::IsVideoStream(int index) {
    return IsStreamOfType(index, AVMEDIA_TYPE_VIDEO);
}

std::string TCustomAVProbe::FileName() {
    if (!NeedInput()) return "";
    return FileNameOfUrl(input_->url ? input_->url : "");
}

std::string TCustomAVProbe::FormatName() {
    if (!NeedInput()) return "";
    return input_->iformat ? input_->iformat->name : "";
}

std::string TCustomAVProbe::StreamLine(int index) {
    AVStream* st = input_->streams[index];
    std::string line = StrFormat("Stream #%d", index);
    if (input_->iformat && (input_->iformat->flags & AVFMT_SHOW_IDS)) line += StrFormat("[0x%x]", st->id);
    const std::string language = MetadataValue(st->metadata, "language");
    if (!language.empty()) line += "(" + language + ")";
    int64_t g = av_gcd(st->time_base.num, st->time_base.den);
    if (g == 0) g = 1;
    line += StrFormat(", %d/%d", static_cast<int>(st->time_base.num / g),
                      static_cast<int>(st->time_base.den / g));

    CodecContextPtr ctx = DecoderContext(st);
    char description[256] = {};
    if (ctx) avcodec_string(description, sizeof description, ctx.get(), 0);
    line += std::string(": ") + description;

    const AVCodecParameters* par = st->codecpar;
    if (st->sample_aspect_ratio.num && av_cmp_q(st->sample_aspect_ratio, par->sample_aspect_ratio)) {
        int darNum = 0, darDen = 0;
        av_reduce(&darNum, &darDen, static_cast<int64_t>(par->width) * st->sample_aspect_ratio.num,
                  static_cast<int64_t>(par->height) * st->sample_aspect_ratio.den, 1024 * 1024);
        line += StrFormat(", PAR %d:%d DAR %d:%d", st->sample_aspect_ratio.num, st->sample_aspect_ratio.den,
                          darNum, darDen);
    }
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        AppendRate(line, st->avg_frame_rate, "fps");
        AppendRate(line, st->r_frame_rate, "tbr");
        AppendRate(line, av_inv_q(st->time_base), "tbn");
        if (ctx) AppendRate(line, av_inv_q(CodecTimeBase(ctx.get())), "tbc");
    }
    FreeDecoderContext(ctx);
    if (st->start_time != AV_NOPTS_VALUE)
        line += ", StartTime: " + SecondsText(av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q));
    if (st->duration == AV_NOPTS_VALUE)
        line += ", Duration: N/A";
    else
        line += ", Duration: " + TimeText(av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q));
    return line;
}

std::string TCustomAVProbe::InfoText() {
    if (!NeedInput()) return "";
    std::string out;
    auto add = [&out](const std::string& line) { out += line + kCrLf; };
    add("File Name: " + FileName());
    add(StrFormat("Format Name: %s", input_->iformat ? input_->iformat->name : ""));
    add(StrFormat("Format Long Name: %s",
                  input_->iformat && input_->iformat->long_name ? input_->iformat->long_name : ""));
    add("File Size: " + (fileSize_ < 0 ? std::string("N/A") : SizeText(fileSize_)));

    TFileStreamInfo file;
    GetFileStreamInfo(file);
    add(file.Duration < 0 ? std::string("Duration: N/A") : "Duration: " + TimeText(file.Duration));
    if (file.StartTime >= 0) add("StartTime: " + SecondsText(file.StartTime));
    add(file.BitRate < 1 ? std::string("Bit Rate: N/A")
                         : StrFormat("Bit Rate: %d kb/s", file.BitRate / 1000));
    if (file.Timestamp > 0) add("Time Stamp: " + StandardTimeText(file.Timestamp));
    AppendMetadata(out, input_->metadata, "");

    // The player's reading thread adds streams to an attached input only under the lock its
    // readers hold; one count bounds every loop below all the same.
    const unsigned streamCount = input_->nb_streams;
    std::vector<bool> printed(streamCount, false);
    for (unsigned p = 0; p < input_->nb_programs; ++p) {
        const AVProgram* program = input_->programs[p];
        // Today's transport streams name these service_provider and service_name.
        const std::string provider = MetadataValue(
            program->metadata, "provider_name", MetadataValue(program->metadata, "service_provider", "N/A"));
        const std::string name =
            MetadataValue(program->metadata, "name", MetadataValue(program->metadata, "service_name", "N/A"));
        add(StrFormat("Program %d %s@%s", program->id, provider.c_str(), name.c_str()));
        AppendMetadata(out, program->metadata, "  ");
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
            const unsigned index = program->stream_index[k];
            if (index >= streamCount) continue;
            add(StreamLine(static_cast<int>(index)));
            AppendMetadata(out, input_->streams[index]->metadata, "  ");
            printed[index] = true;
        }
    }
    for (unsigned i = 0; i < streamCount; ++i) {
        if (printed[i]) continue;
        add(StreamLine(static_cast<int>(i)));
        AppendMetadata(out, input_->streams[i]->metadata, "  ");
    }
    return out;
}

} // namespace orvel
