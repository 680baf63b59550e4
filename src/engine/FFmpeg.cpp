#include "engine/FFmpeg.h"

#include "engine/FFmpegException.h"

namespace orvel {

struct TCustomFFmpeg::Impl {
    int verbosity = 1;
    int previewFlags = 0;
    int64_t progressInterval = 500000;
};

namespace {
[[noreturn]] void NotYet(const char* operation)
{
    throw FFmpegException(std::string(operation) + " is not available yet");
}
} // namespace

TCustomFFmpeg::TCustomFFmpeg() : impl_(std::make_unique<Impl>()) {}
TCustomFFmpeg::~TCustomFFmpeg() = default;

void TCustomFFmpeg::ResetOptions() { NotYet("ResetOptions"); }
void TCustomFFmpeg::ParseOption(const std::string&, const std::string&) { NotYet("ParseOption"); }
int TCustomFFmpeg::Verbosity() const { return impl_->verbosity; }
void TCustomFFmpeg::SetVerbosity(int value) { impl_->verbosity = value; }
int TCustomFFmpeg::PreviewFlags() const { return impl_->previewFlags; }
void TCustomFFmpeg::SetPreviewFlags(int flags) { impl_->previewFlags = flags; }
void TCustomFFmpeg::SetProgressInterval(int64_t microseconds) { impl_->progressInterval = microseconds; }

void TCustomFFmpeg::OpenInput(const std::string&) { NotYet("OpenInput"); }
void TCustomFFmpeg::OpenOutput(const std::string&, bool) { NotYet("OpenOutput"); }
int TCustomFFmpeg::InputCount() const { return 0; }
int TCustomFFmpeg::OutputCount() const { return 0; }
AVFormatContext* TCustomFFmpeg::InputContext(int) const { return nullptr; }

void TCustomFFmpeg::Transcode() { NotYet("Transcode"); }
void TCustomFFmpeg::CloseCodecs() {}
void TCustomFFmpeg::ReleaseFiles() {}

void TCustomFFmpeg::RequestStop()
{
    stopRequested_ = true;
    gate_.Open();
}

} // namespace orvel
