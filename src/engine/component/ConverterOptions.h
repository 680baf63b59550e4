#pragma once
// The option and event records of the conversion component: what the application hands in for
// each input and output, and what the component hands back through its events.
#include "engine/pictures/Bitmap24.h"

#include <cstdint>
#include <limits>
#include <string>

namespace orvel {

// The libraries' "no time stamp" value (only the top bit set): marks an unset time.
constexpr int64_t kNoTimestamp = std::numeric_limits<int64_t>::min();

struct TInputOptions {
    std::string FileName;             // filled from AddTask's file argument when empty
    std::string FileFormat;           // "f"
    int64_t StartTime = kNoTimestamp; // "ss", microseconds
    int ProgramID = -1;               // "programid", negative = not set
    std::string ExtOptions;           // further options, one "name=value" per line or "<CRLF>"
};

struct TStreamInfo {
    double Timestamp = -1.0; // days since 1899-12-30; 0 = now, negative = unset
    int Year = -1;
    int Track = -1;
    std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TOutputOptions {
    std::string FileName;
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1;
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSync = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string AspectRatio;
    int CropTop = -1, CropBottom = -1, CropLeft = -1, CropRight = -1;
    int GopSize = -1;
    int VideoBitrate = -1;
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitrateTolerance = -1;
    int VideoBufSize = -1;
    int VideoSync = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamps = false;
    int64_t StartTime = kNoTimestamp;
    int64_t RecordingTime = kNoTimestamp;
    TStreamInfo Metadata;
    int Target = 0;            // 0 none, 1 vcd, 2 svcd, 3 dvd
    int TargetNorm = 0;        // 0 auto, 1 pal, 2 ntsc
    int TargetDefaultNorm = 1; // 1 pal, else ntsc
    bool CustomHook = false;
    bool Join = false;
    std::string ExtOptions;
};

inline void InitInputOptions(TInputOptions& o) {
    o = TInputOptions{};
}
inline void InitOutputOptions(TOutputOptions& o) {
    o = TOutputOptions{};
}

struct THookInfo {
    int TaskIndex = 0;
    Bitmap24* Bitmap = nullptr; // the decoded frame, owned by the engine
    int FrameNumber = 0;        // frames decoded by the task, the first is 1
    int64_t PTS = 0;            // microseconds
    bool Update = true;         // in/out: write the bitmap back into the frame
    bool StopHook = false;      // in/out: switch the hook off for the rest of the task
};
using PHookInfo = THookInfo*;

struct TPreviewInfo {
    int TaskIndex = 0;
    Bitmap24* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;
};

struct TProgressInfo {
    int TaskIndex = 0;
    int FileIndex = 0;           // input read last, -1 in the final report
    int FrameNumber = -1;        // frames written to the first video output, -1 without video
    int FPS = -1;                // -1 without video, 0 during the first second
    float Quality = -1.0f;       // last video quantiser, -1 when copied or without video
    float BitRate = 0.0f;        // kbit/s
    int64_t CurrentSize = 0;     // bytes written to the first output
    int64_t CurrentDuration = 0; // microseconds, at least 10 000
    int64_t TotalDuration = -1;  // microseconds, -1 when unknown
};
using PProgressInfo = TProgressInfo*;

struct TTerminateInfo {
    int TaskIndex = 0; // -1 in the end-of-batch report
    bool Finished = false;
    bool Exception = false;
    std::string ExceptionMsg;
};

} // namespace orvel
