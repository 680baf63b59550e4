#pragma once
// Internal state of one conversion task: the opened files, the streams created on them and the
// records of a run. Only the pipeline files include this header.
#include "engine/component/CustomFFmpeg.h"
#include "engine/component/TaskSettings.h"
#include "engine/foundation/AVHandles.h"
#include "engine/foundation/StreamChoice.h"
#include "engine/options/OptionParser.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/pictures/HookBitmapConverter.h"

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace orvel {

struct InputFile {
    InputFormatContextPtr ctx;
    std::string name;
    int64_t tsOffset = 0;                 // microseconds added to every timestamp of the file
    double tsScale[kMaxStreams] = {};     // 0 means 1.0
    std::vector<const AVCodec*> decoders; // decoder named when the file was opened, per stream
    // Decoding options as they stood when the file was opened, per stream.
    std::vector<std::unique_ptr<AVDictionary, DictionaryDeleter>> decodingOptions;
    int64_t startTime = 0; // seek position requested for the file
    ChosenStreams chosen;  // per type, the stream converted when no map names one
    // Packets read to choose the streams, converted before anything read later.
    std::deque<PacketPtr> pending;
};

// Decoders named for an input's streams by type; null lets the library choose.
struct InputDecoders {
    const AVCodec* video = nullptr;
    const AVCodec* audio = nullptr;
    const AVCodec* subtitle = nullptr;
};

// One stream created on an output when the output was opened.
struct OutputStreamSpec {
    AVStream* st = nullptr;
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    bool copy = false;
    const AVCodec* encoder = nullptr;
    CodecContextPtr enc;             // configured at open, opened when the run is prepared
    std::vector<BsfContextPtr> bsfs; // allocated by the option, initialised when the run starts
    // Video settings taken when the stream was created.
    int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
    std::string filters;
    bool customHook = false;
};

struct OutputFile {
    OutputFormatContextPtr ctx;
    std::string name;
    bool ioOpened = false;
    bool headerWritten = false;
    bool trailerWritten = false;
    std::vector<OutputStreamSpec> streams;
    int64_t startTime = 0;             // "ss" of the output, microseconds
    int64_t recordingTime = INT64_MAX; // "t", microseconds

    OutputFile() = default;
    OutputFile(OutputFile&&) = default;
    OutputFile& operator=(OutputFile&&) = default;
    ~OutputFile(); // closes the file if it is still open
};

// The run's records, built by the run preparation (RunState.h).
struct RunState;
struct OutputStream;

struct TCustomFFmpeg::Impl : TOptionHost {
    explicit Impl(TCustomFFmpeg& owner);
    TCustomFFmpeg& self;

    // What the option parser asks of the task.
    int InputCount() const override { return static_cast<int>(inputs.size()); }
    const AVFormatContext* Input(int index) const override { return inputs[index].ctx.get(); }
    void NewStream(AVMediaType type) override;
    void SetTotalDuration(int64_t microseconds) override { totalDuration = microseconds; }

    TTaskSettings settings;
    int previewFlags = 0;
    int64_t progressInterval = 500000;
    bool pipelined = true; // reading, picture work and encoding on threads of their own

    std::vector<InputFile> inputs;
    std::vector<OutputFile> outputs;
    bool joining = false;
    int64_t totalDuration = -1; // microseconds, -1 unknown

    std::unique_ptr<RunState> run;
    int decodedFrames = 0;

    // Custom hook and preview conversion state, kept for the task's life.
    THookBitmapConverter hookBitmap;
    TBitmapConverter previewBitmap;
    bool customHook = false; // some output asked for it and the hook is still on
    int64_t lastPreview = 0;

    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() override;

    struct Loop; // the transcode loop of one run, see TranscodeLoop.h

    // Opening (InputOpener.cpp, OutputOpener.cpp).
    void OpenInput(const std::string& fileName);
    void OpenOutput(const std::string& fileName, bool join);
    void AddVideoStream(OutputFile& of);
    void AddAudioStream(OutputFile& of);
    void AddSubtitleStream(OutputFile& of);

    // Run (RunPreparation.cpp, TranscodeLoop.cpp).
    void PrepareRun();
    void ReportMapping() const;
    void Transcode();
    void CloseCodecs();
    void ReleaseRun();
    void ReleaseFiles();

private:
    // Steps of opening an input (InputOpener.cpp).
    InputFormatContextPtr OpenDemuxer(const std::string& fileName, const AVInputFormat* forced,
                                      const InputDecoders& decoders);
    void FindStreamInfo(AVFormatContext* ctx, const std::string& fileName);
    int64_t SeekToStart(AVFormatContext* ctx, const std::string& fileName);
    void TakeStreamSettings(InputFile& in, AVFormatContext* ctx, const InputDecoders& decoders);
    void TakeVideoSettings(const AVStream* st, int index);

    // Steps of opening an output (OutputOpener.cpp).
    void AddDefaultStreams(OutputFile& of, bool firstOnly);

    // Steps of the run preparation (RunPreparation.cpp).
    void ChooseSources(int segments);
    void SetUpCopyOrEncoding(OutputStream& os);
    void SetUpStreamCopy(OutputStream& os, const AVStream* ist);
    void SetUpEncoding(OutputStream& os, const AVStream* ist);
    void OpenRunCodecsAndHeaders(); // encoders, decoders, metadata, chapters and headers
    void OpenEncoder(OutputStream& os);
    void WriteHeaders();
};

// Text of a library error code.
std::string ErrorText(int code);

// printf-style text of at most 1023 characters.
template <typename... Args> std::string Format(const char* fmt, Args... args) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

} // namespace orvel
