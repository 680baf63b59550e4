#pragma once
// One conversion task of the engine: its options, its input and output files, and a run that
// prepares the streams, transcodes and releases. The conversion component (FFmpegConverter)
// owns tasks, runs them in worker threads and turns their reports into its four events.
//
// This header is the contract between the engine and the component: the engine implements
// these members (CustomFFmpeg.cpp and the files of the run behind the Impl), the component only
// calls them.
#include "engine/component/ConverterOptions.h"
#include "engine/component/PauseGate.h"
#include "engine/pictures/Bitmap24.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

struct AVFormatContext;

namespace orvel {

class TCustomFFmpeg;

// Handlers a task calls; the sender is the task. They run in the thread that runs the task.
using TTaskHookHandler = std::function<void(TCustomFFmpeg& sender, THookInfo& info)>;
using TTaskPreviewHandler = std::function<void(TCustomFFmpeg& sender, const TPreviewInfo& info)>;
using TTaskProgressHandler = std::function<void(TCustomFFmpeg& sender, TProgressInfo& info)>;
using TTaskTerminateHandler = std::function<void(TCustomFFmpeg& sender)>;

// Preview flag bits.
constexpr int kPreviewWindow = 1; // show frames in the preview window
constexpr int kPreviewBitmap = 2; // raise the preview handler with a bitmap

class TCustomFFmpeg {
public:
    static constexpr int kMaxFiles = 20; // inputs and outputs per task

    TCustomFFmpeg();
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // Options ------------------------------------------------------------------------------
    // Resets every setting to the engine's defaults.
    void ResetOptions();
    // Parses one engine option (name without the dash, value). Raises FFmpegException.
    void ParseOption(const std::string& name, const std::string& value);
    // The "target" option with its parts given apart: type "vcd", "svcd", "dvd", "dv" or "dv50";
    // norm "pal", "ntsc", "film" or "auto"; defaultNorm is taken when an automatic norm cannot be
    // told from the frame rates. Raises FFmpegException.
    void ApplyTarget(const std::string& type, const std::string& norm, const std::string& defaultNorm);
    int Verbosity() const;
    void SetVerbosity(int value);
    // kPreviewWindow | kPreviewBitmap; read and written under the process-wide preview lock.
    int PreviewFlags() const;
    void SetPreviewFlags(int flags);
    void SetProgressInterval(int64_t microseconds);
    // On (the default): reading and decoding, the picture work and the encoding run at once on
    // threads of their own; off: one after another on the task's worker. The output is the same.
    void SetPipelined(bool value);

    // Files ---------------------------------------------------------------------------------
    // Open with the settings gathered so far; both raise FFmpegException with the exact text.
    void OpenInput(const std::string& fileName);
    void OpenOutput(const std::string& fileName, bool join);
    int InputCount() const;
    int OutputCount() const;
    AVFormatContext* InputContext(int index) const; // for probes attached to an open input

    // Run -----------------------------------------------------------------------------------
    // Prepares the run, transcodes, drains, writes the trailers, gives the final report and
    // sets Finished unless a stop was requested. Raises FFmpegException on failure.
    void Transcode();
    // Closes the decoders and encoders still open; then releases the task's files and buffers
    // (an output that stayed empty is deleted). Safe to call after any failure, and twice.
    void CloseCodecs();
    void ReleaseFiles();
    bool Finished() const { return finished_.load(); }

    // Control (any thread) --------------------------------------------------------------------
    void RequestStop();
    bool StopRequested() const { return stopRequested_.load(); }
    void ClearStopRequest() { stopRequested_ = false; }
    PauseGate& Gate() { return gate_; }

    // Handlers (set before the run) --------------------------------------------------------------
    TTaskHookHandler OnHook; // only for outputs with CustomHook
    TTaskPreviewHandler OnPreview;
    TTaskProgressHandler OnProgress;
    TTaskTerminateHandler OnTerminate;

protected:
    std::atomic<bool> finished_{false};
    std::atomic<bool> stopRequested_{false};
    PauseGate gate_;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace orvel
