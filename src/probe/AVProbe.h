#pragma once
// Container and stream information of a media file: counts, first-stream indexes, per-stream
// records and the multi-line description. A probe either opens the file itself (LoadFile) and
// owns the input, or borrows an input another component opened (Attach) and never closes it.
// Used from one thread at a time.
#include <cstdint>
#include <string>

struct AVFormatContext;

namespace orvel {

struct TFileStreamInfo {
    int64_t StartTime = -1; // microseconds
    int64_t Duration = -1;  // microseconds
    int BitRate = -1;
    int64_t Timestamp = -1; // seconds since 1970 (UTC)
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

// The fields audio and video records start with. The no-time-stamp value stays in the tick
// fields; the microsecond fields are -1 then.
struct TStreamInfoHead {
    std::string Language;
    std::string CodecName;
    int64_t StartTicks = -1;
    int64_t StartTime = -1;
    int64_t DurationTicks = -1;
    int64_t Duration = -1;
    int BitRate = -1;
};

struct TAudioStreamInfo : TStreamInfoHead {
    int Channels = -1;
    int SampleRate = -1;
    int SampleFormat = -1;
};

struct TVideoStreamInfo : TStreamInfoHead {
    int Height = -1;
    int Width = -1;
    float DisplayAspect = -1.0f;
    int PixelFormat = -1;
    int FrameRateNum = -1;
    int FrameRateDen = -1;
};

class TCustomAVProbe {
public:
    TCustomAVProbe();
    virtual ~TCustomAVProbe();
    TCustomAVProbe(const TCustomAVProbe&) = delete;
    TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

    // Opens the file (a plain UTF-8 name or a "unicode:utf8:" address) and reads its stream
    // information; formatName forces an input format when not empty. False with
    // LastErrorMessage on failure. Throws FFmpegException when the libraries are not loaded.
    bool LoadFile(const std::string& fileName, const std::string& formatName = "");
    // Borrows an input opened elsewhere (nullptr detaches). Throws like LoadFile.
    virtual void Attach(AVFormatContext* input);
    virtual void Close();
    virtual void ReadStreamInfo();

    bool GetFileStreamInfo(TFileStreamInfo& info);
    // A negative index means the first stream of that kind.
    bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);
    bool IsAudioStream(int index);
    bool IsVideoStream(int index);

    std::string FileName();
    std::string FormatName();
    std::string InfoText();

    AVFormatContext* Input() const { return input_; }
    bool OwnsInput() const { return ownsInput_; }
    const std::string& LastErrorMessage() const { return lastError_; }
    const std::string& ForcedFormat() const { return forcedFormat_; }

    int64_t FileSize() const { return fileSize_; }
    int StreamCount() const { return streamCount_; }
    int ProgramCount() const { return programCount_; }
    int AudioStreamCount() const { return audioCount_; }
    int VideoStreamCount() const { return videoCount_; }
    int SubtitleStreamCount() const { return subtitleCount_; }
    int AudioStreamIndex() const { return audioIndex_; }
    int VideoStreamIndex() const { return videoIndex_; }
    int SubtitleStreamIndex() const { return subtitleIndex_; }

private:
    void CheckLibraries() const;
    void Report(int libraryLevel, const std::string& text);
    bool NeedInput();
    bool IsStreamOfType(int index, int type);
    std::string StreamLine(int index);

    AVFormatContext* input_ = nullptr;
    bool ownsInput_ = false;
    std::string lastError_;
    std::string forcedFormat_;
    int64_t fileSize_ = -1;
    int streamCount_ = -1;
    int programCount_ = -1;
    int audioCount_ = -1;
    int videoCount_ = -1;
    int subtitleCount_ = -1;
    int audioIndex_ = -1;
    int videoIndex_ = -1;
    int subtitleIndex_ = -1;
};

class TAVProbe : public TCustomAVProbe {};

} // namespace orvel
