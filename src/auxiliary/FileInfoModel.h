#pragma once
// What the file information window shows about a job's source: name, duration, container, the
// first video stream's size, bit rate and frame rate, and the first audio stream's codec, bit
// rate, sample rate and channels. The file is opened through a conversion component of the
// window's own, so nothing the main window holds is touched; closing releases the file.
#include "engine/component/FFmpegConverter.h"

#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct TFileInfoView {
    std::string SourceName; // lblSourceName
    std::string FileLength; // lblFileLength
    std::string Format;     // edtFormat
    std::string Resolution; // edtResloution
    std::string BitRate;    // edtBitRate
    std::string FrameRate;  // edtFrameRate
    std::string TotalFrame; // edtTotalFrame: the frame rate's second term
    std::string AudioFormat;
    std::string AudioBitRate;
    std::string SampleRate;
    std::string Channel;
    bool operator==(const TFileInfoView&) const = default;
};

// The row whose file the window shows: the selected one, or the first when none is selected;
// -1 for an empty list.
int FileInfoRow(int rowCount, int selectedRow);

// The name label's text: the whole path below 46 characters, else its first 40, "..", the
// extension with its dot and two blanks. Characters, not bytes, are counted.
std::string ShortSourceName(const std::string& path);

// "%d.%.3d Second" from microseconds.
std::string DurationSecondsText(int64_t microseconds);

// The codec part of the first "Audio:" line of a probe's description: what lies between
// "Audio: " and the next comma.
std::string AudioCodecOfInfoText(const std::string& infoText);

class TFileInfoModel {
public:
    // libraryFolder: where the converter's libraries are loaded from when not loaded yet.
    explicit TFileInfoModel(std::string libraryFolder);

    // Fills the view for the file (nothing: the job list is empty, and only the labels are
    // emptied). A file without video shows empty video facts, an unreadable one nothing at all.
    // Returns an error text when the file could not be opened, else an empty text.
    std::string FormShow(const std::optional<std::string>& sourceFile);
    // Releases the file: the component's tasks and its probe.
    void FormCloseQuery();

    const TFileInfoView& View() const { return view_; }
    TFFmpegConverter& Converter() { return converter_; }

private:
    void EmptyVideo();
    void EmptyAudio();

    std::string libraryFolder_;
    TFFmpegConverter converter_;
    TFileInfoView view_;
};

} // namespace orvel
