// The conversion task: its settings, its files and its run, behind the Impl.
#include "engine/component/CustomFFmpeg.h"

#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/options/OptionParser.h"
#include "engine/options/Targets.h"
#include "engine/run/RunState.h"

namespace orvel {

std::string ErrorText(int code) {
    return ErrorMessage(code);
}

TCustomFFmpeg::Impl::Impl(TCustomFFmpeg& owner) : self(owner) {}
TCustomFFmpeg::Impl::~Impl() {
    ReleaseFiles();
}

TCustomFFmpeg::TCustomFFmpeg() : impl_(std::make_unique<Impl>(*this)) {}

TCustomFFmpeg::~TCustomFFmpeg() {
    RequestStop();
    impl_.reset();
}

void TCustomFFmpeg::ResetOptions() {
    TTaskSettings fresh;
    fresh.Verbosity = impl_->settings.Verbosity;
    impl_->settings = std::move(fresh);
}

void TCustomFFmpeg::ParseOption(const std::string& name, const std::string& value) {
    TOptionParser parser(impl_->settings, impl_.get());
    parser.Parse(name, value);
}

void TCustomFFmpeg::ApplyTarget(const std::string& type, const std::string& norm,
                                const std::string& defaultNorm) {
    TOptionParser parser(impl_->settings, impl_.get());
    orvel::ApplyTarget(parser, type, norm, defaultNorm);
}

int TCustomFFmpeg::Verbosity() const {
    return impl_->settings.Verbosity;
}
void TCustomFFmpeg::SetVerbosity(int value) {
    impl_->settings.Verbosity = value;
}
void TCustomFFmpeg::SetProgressInterval(int64_t microseconds) {
    impl_->progressInterval = microseconds;
}

void TCustomFFmpeg::SetPipelined(bool value) {
    impl_->pipelined = value;
}

void TCustomFFmpeg::OpenInput(const std::string& fileName) {
    if (static_cast<int>(impl_->inputs.size()) >= kMaxFiles)
        throw FFmpegException(Format("max input files %d reached", kMaxFiles));
    impl_->OpenInput(fileName);
}

void TCustomFFmpeg::OpenOutput(const std::string& fileName, bool join) {
    impl_->OpenOutput(fileName, join);
}

int TCustomFFmpeg::InputCount() const {
    return static_cast<int>(impl_->inputs.size());
}
int TCustomFFmpeg::OutputCount() const {
    return static_cast<int>(impl_->outputs.size());
}

AVFormatContext* TCustomFFmpeg::InputContext(int index) const {
    if (index < 0 || index >= InputCount()) return nullptr;
    return impl_->inputs[index].ctx.get();
}

void TCustomFFmpeg::Transcode() {
    finished_ = false;
    if (impl_->outputs.empty()) throw FFmpegException("At least one output file must be specified");
    if (impl_->inputs.empty()) throw FFmpegException("At least one input file must be specified");
    // The component gives the hook handler only to tasks whose output asked for it.
    impl_->customHook = static_cast<bool>(OnHook);
    impl_->decodedFrames = 0;
    impl_->Transcode();
}

void TCustomFFmpeg::CloseCodecs() {
    impl_->CloseCodecs();
}
void TCustomFFmpeg::ReleaseFiles() {
    impl_->ReleaseFiles();
}

void TCustomFFmpeg::RequestStop() {
    stopRequested_ = true;
    gate_.Open();
}

} // namespace orvel
