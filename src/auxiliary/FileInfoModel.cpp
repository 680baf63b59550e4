#include "auxiliary/FileInfoModel.h"

#include "engine/foundation/StringUtils.h"
#include "probe/AVProbe.h"

#include <cstdio>

namespace orvel {

int FileInfoRow(int rowCount, int selectedRow) {
    if (rowCount <= 0) return -1;
    return selectedRow >= 0 && selectedRow < rowCount ? selectedRow : 0;
}

std::string ShortSourceName(const std::string& path) {
    if (Utf8Length(path) < 46) return path;
    return ShortenedPath(path, 45, 40) + "  ";
}

std::string DurationSecondsText(int64_t microseconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%.3d Second", static_cast<int>(microseconds / 1000000),
                  static_cast<int>(microseconds / 1000 % 1000));
    return text;
}

std::string AudioCodecOfInfoText(const std::string& infoText) {
    static constexpr char kMark[] = "Audio: ";
    const size_t start = infoText.find("Audio:");
    if (start == std::string::npos) return {};
    const size_t comma = infoText.find(',', start);
    const size_t from = start + sizeof kMark - 1;
    if (comma == std::string::npos || comma < from) return {};
    return infoText.substr(from, comma - from);
}

TFileInfoModel::TFileInfoModel(std::string libraryFolder) : libraryFolder_(std::move(libraryFolder)) {}

void TFileInfoModel::EmptyVideo() {
    view_.Resolution.clear();
    view_.BitRate.clear();
    view_.FrameRate.clear();
    view_.TotalFrame.clear();
}

void TFileInfoModel::EmptyAudio() {
    view_.AudioFormat.clear();
    view_.AudioBitRate.clear();
    view_.SampleRate.clear();
    view_.Channel.clear();
}

std::string TFileInfoModel::FormShow(const std::optional<std::string>& sourceFile) {
    view_.SourceName.clear();
    view_.FileLength.clear();
    // An empty list leaves the edits as they were last time.
    if (!sourceFile) return {};
    // Any other file shows only its own facts: nothing of the file before may stay beside its name.
    view_ = TFileInfoView{};

    converter_.ClearTasks();
    converter_.Probe().Close();
    if (!converter_.LoadLibraries(libraryFolder_)) return converter_.LastErrorMessage();
    TInputOptions options;
    InitInputOptions(options);
    options.FileName = *sourceFile;
    const int task = converter_.AddTask(*sourceFile, &options);
    if (task < 0) return converter_.LastErrorMessage();
    TAVProbe& probe = converter_.Probe();
    if (!probe.LoadFile(*sourceFile)) return probe.LastErrorMessage();
    TAVProbe* taskProbe = converter_.GetTaskProbe(task, task);
    if (!taskProbe) return "Cannot read " + *sourceFile + ".";

    view_.SourceName = ShortSourceName(*sourceFile);
    TFileStreamInfo file;
    probe.GetFileStreamInfo(file);
    view_.FileLength = DurationSecondsText(file.Duration);
    view_.Format = probe.FormatName();

    TVideoStreamInfo video;
    const int v = probe.VideoStreamIndex();
    if (probe.VideoStreamCount() > 0 && probe.IsVideoStream(v) && taskProbe->GetVideoStreamInfo(v, video)) {
        view_.Resolution = std::to_string(video.Width) + "x" + std::to_string(video.Height);
        view_.BitRate = std::to_string(video.BitRate);
        view_.FrameRate = std::to_string(video.FrameRateNum);
        view_.TotalFrame = std::to_string(video.FrameRateDen);
    } else {
        EmptyVideo();
    }

    TAudioStreamInfo audio;
    const int a = probe.AudioStreamIndex();
    if (!probe.IsAudioStream(a) || !taskProbe->GetAudioStreamInfo(a, audio)) {
        EmptyAudio();
        return {};
    }
    view_.AudioBitRate = std::to_string(audio.BitRate);
    view_.SampleRate = std::to_string(audio.SampleRate);
    view_.Channel = std::to_string(audio.Channels);
    view_.AudioFormat = AudioCodecOfInfoText(probe.InfoText());
    return {};
}

void TFileInfoModel::FormCloseQuery() {
    converter_.ClearTasks();
    // The component's own probe holds the file open as well.
    converter_.Probe().Close();
}

} // namespace orvel
