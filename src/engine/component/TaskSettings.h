#pragma once
// The conversion settings of one task: what options change and what opening inputs and
// outputs and the transcode loop read. A fresh object holds the defaults; a task is reset by
// assigning a new one.
#include "engine/foundation/AVHandles.h"
#include "engine/pictures/FrameHooks.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace orvel {

constexpr int kMaxFiles = 20;        // input files, and output files, per task
constexpr int kMaxStreams = 20;      // streams per file
constexpr int kMaxStreamMaps = 400;  // "map"
constexpr int kMaxMetaDataMaps = 20; // "map_meta_data"
constexpr int kMediaTypeCount = 5;   // video, audio, data, subtitle, attachment (AVMediaType 0..4)

struct TStreamMap {
    int FileIndex = 0;
    int StreamIndex = 0;
    int SyncFileIndex = 0;
    int SyncStreamIndex = 0;
};

struct TMetaDataMap {
    int OutFile = 0;
    int InFile = 0;
};

// Codec choice of one media type: a name ("vcodec" etc.) or stream copy.
struct TCodecSelection {
    std::string Name; // empty: none named
    bool Copy = false;
};

// Where a name the generic contexts do not know may still be a private option: the encoders
// currently chosen per media type (null: none) and the forced output format.
struct TPrivateOptionScope {
    std::array<const AVCodec*, kMediaTypeCount> Codecs{};
    const AVOutputFormat* Format = nullptr;
};

// Generic options: a codec context per media type, a format context and a scaler context,
// each with library defaults, that options unknown to the table are set on by name. What was
// set is copied into the real contexts when inputs are opened and streams are created.
// Options only an encoder or a muxer knows privately (libx264's "preset", the MPEG muxer's
// "muxrate") are kept as text per media type and handed over when that codec is opened.
class TGenericOptions {
public:
    TGenericOptions();
    ~TGenericOptions();
    TGenericOptions(TGenericOptions&&) noexcept;
    TGenericOptions& operator=(TGenericOptions&&) noexcept;
    TGenericOptions(const TGenericOptions&) = delete;
    TGenericOptions& operator=(const TGenericOptions&) = delete;

    // Sets name=value where the name is known, in the order video, audio, data, subtitle,
    // attachment codec context, format, scaler, then the name without an "a"/"v"/"s" prefix
    // on that type's context, then the private options of `scope`. False when no context
    // knows the name or a context refused the value (reported through the library log).
    bool Set(const std::string& name, const std::string& value, const TPrivateOptionScope& scope);
    bool Set(const std::string& name, const std::string& value) { return Set(name, value, {}); }
    // Sets one option on one media type's codec context only ("vb", "ab").
    bool SetOnType(AVMediaType type, const std::string& name, const std::string& value);

    AVCodecContext* Codec(AVMediaType type) const; // video..attachment, else null
    AVFormatContext* Format() const { return format_.get(); }
    SwsContext* Scaler() const { return scaler_.get(); }
    int ScalerFlags() const; // "sws_flags", initially 4 (bicubic)

    // Names set on the generic contexts, in order of first setting.
    const std::vector<std::string>& Names() const { return names_; }
    // Private options kept as text, per media type, and for the muxer.
    const std::vector<std::pair<std::string, std::string>>& PrivateCodecOptions(AVMediaType type) const;
    const std::vector<std::pair<std::string, std::string>>& PrivateFormatOptions() const {
        return privateFormat_;
    }

    // Copies every option set by name whose flags include encoding or decoding and the
    // type onto `target`, and the private options of that type the target's codec knows
    // (the target must have its codec and private data, i.e. be allocated for its codec).
    // Flag options are copied as whole words: set flags of your own after this call.
    void ApplyTo(AVCodecContext* target, AVMediaType type, bool encoding) const;
    // The same for a codec context that will get its codec only at avcodec_open2: the
    // private options go into `dict` for that call.
    void AddPrivateTo(AVDictionary** dict, AVMediaType type) const;
    // What ApplyTo and AddPrivateTo would give a codec of that type, as text: the options as
    // they stand now, for a codec that is opened later (avcodec_open2 takes the dictionary).
    void Snapshot(AVDictionary** dict, AVMediaType type, bool encoding) const;
    // Copies the format options set by name (encoding or decoding) onto `target`, and the
    // muxer's private options into `dict` for avformat_write_header (dict may be null).
    void ApplyTo(AVFormatContext* target, bool encoding, AVDictionary** dict = nullptr) const;

private:
    void Remember(const std::string& name);
    bool SetPrivate(std::vector<std::pair<std::string, std::string>>& list, void* probe,
                    const std::string& name, const std::string& value, bool& found);

    std::array<CodecContextPtr, kMediaTypeCount> codecs_;
    OutputFormatContextPtr format_;
    SwsContextPtr scaler_;
    std::vector<std::string> names_;
    std::array<std::vector<std::pair<std::string, std::string>>, kMediaTypeCount> privateCodec_;
    std::vector<std::pair<std::string, std::string>> privateFormat_;
};

struct TTaskSettings {
    // --- files ---
    std::string ForcedFormat;  // "f"; consumed by the next open
    bool PgmYuvCompat = false; // "f" = "pgmyuv"

    // --- video ---
    int FrameWidth = 0; // "s"; 0 x 0 takes the input's size
    int FrameHeight = 0;
    double AspectRatio = 0; // "aspect"; 0 = not set
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
    AVRational FrameRate{0, 0};        // "r"; 0/0 = not set
    double VideoQScale = 0;            // "qscale"; 0 = not set
    std::vector<uint16_t> IntraMatrix; // 64 coefficients, or empty
    std::vector<uint16_t> InterMatrix;
    std::string RcOverride;
    bool VideoDisable = false;
    int VideoDiscard = 0; // "vdt"
    TCodecSelection VideoCodec;
    uint32_t VideoCodecTag = 0;
    std::string VideoLanguage;
    bool SameQuality = false;
    bool Deinterlace = false;
    int TopFieldFirst = -1;
    int MeThreshold = 0;
    int IntraDcPrecision = 8;
    bool QpHistogram = false;
    std::string VideoFilters; // "vf", "vfilters"
    bool IntraOnly = false;
    int VideoGlobalHeader = 0; // "vglobal"
    bool ForceFps = false;
    int VideoChannel = 0; // "vc"
    std::string TvStandard;
    int Pass = 0;
    std::string PassLogFile;
    bool Psnr = false;
    std::string VideoStatsFile; // "vstats", "vstats_file"

    // --- audio ---
    AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
    int SampleRate = 44100;
    int Channels = 2;
    uint64_t ChannelLayout = 0;    // speaker mask of the last input's audio; 0: unknown
    double AudioQScale = -99999.0; // "aq"; -99999 = not set
    int AudioVolume = 256;         // 256 = unchanged
    bool AudioDisable = false;
    TCodecSelection AudioCodec;
    uint32_t AudioCodecTag = 0;
    std::string AudioLanguage;

    // --- subtitles ---
    bool SubtitleDisable = false;
    TCodecSelection SubtitleCodec;
    uint32_t SubtitleCodecTag = 0;
    std::string SubtitleLanguage;

    // --- frame limits ---
    int MaxFramesVideo = std::numeric_limits<int32_t>::max();
    int MaxFramesAudio = std::numeric_limits<int32_t>::max();
    int MaxFramesData = std::numeric_limits<int32_t>::max();

    // --- times, in microseconds ---
    int64_t RecordingTime = std::numeric_limits<int64_t>::max(); // "t"; max = not set
    int64_t StartTime = 0;                                       // "ss"
    int64_t RecordingTimestamp = 0;                              // "timestamp", whole seconds; 0 = not set
    int64_t InputTsOffset = 0;                                   // "itsoffset"
    // "itsscale": per input file and stream; 0 means 1.0.
    std::array<std::array<double, kMaxStreams>, kMaxFiles> InputTsScale{};
    double MuxPreload = 0.5; // seconds
    double MuxMaxDelay = 0.7;

    // --- muxing and sync ---
    std::vector<std::pair<std::string, std::string>> Metadata; // "metadata", moved into the next output
    bool PacketDump = false, HexDump = false;
    int VideoSyncMethod = -1;
    int AudioSyncMethod = 0;
    double AudioDriftThreshold = 0.1;
    bool CopyTimestamps = false;
    bool Shortest = false;
    int ProgramId = 0;
    int CopyInitialNonKeyFrames = 0;
    bool RateEmulation = false; // "re"
    bool LoopInput = false;
    int LoopOutput = -1;
    bool ExitOnError = false; // "xerror"
    int Verbosity = 1;        // "v"
    bool InputSync = false;   // "isync"
    double DtsDeltaThreshold = 10.0;
    int64_t FileSizeLimit = 0; // "fs"; 0 = none

    // --- maps ---
    std::vector<TStreamMap> StreamMaps;         // at most kMaxStreamMaps
    std::vector<TMetaDataMap> MetaDataMaps;     // at most kMaxMetaDataMaps
    std::array<int, kMaxStreams> StreamIdMap{}; // "streamid": output stream index -> container id

    // --- bitstream filter chains, attached to the next stream of that type ---
    std::vector<BsfContextPtr> VideoBitstreamFilters;
    std::vector<BsfContextPtr> AudioBitstreamFilters;
    std::vector<BsfContextPtr> SubtitleBitstreamFilters;

    // --- frame hooks ---
    TFrameHooks FrameHooks;

    // --- generic options (library contexts) ---
    TGenericOptions Generic;
    int ScalerFlags() const { return Generic.ScalerFlags(); }
    // What "strict" set for codecs of that kind; a codec chosen by name is checked against it.
    int Strictness(AVMediaType type) const {
        const AVCodecContext* c = Generic.Codec(type);
        return c ? c->strict_std_compliance : FF_COMPLIANCE_NORMAL;
    }
};

} // namespace orvel
