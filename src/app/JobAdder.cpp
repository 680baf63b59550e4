#include "app/JobAdder.h"

#include "app/store/AppSettings.h"
#include "batch/Destination.h"
#include "engine/component/FFmpegConverter.h"
#include "formats/FormatParams.h"
#include "probe/AVProbe.h"

#include <filesystem>
#include <set>

namespace orvel {

TJobAdder::TJobAdder(TCustomFFmpegConverter& converter, TFormatParamStore& formats, TAppSettings& settings,
                     IMessageBoxes& boxes, std::string defaultDir)
    : converter_(converter), formats_(formats), settings_(settings), boxes_(boxes),
      defaultDir_(std::move(defaultDir)) {}

std::string UnreadableFilesNotice(const std::vector<std::string>& files) {
    constexpr size_t kShown = 20;
    std::string text = "These files could not be read as video or audio and were not added:";
    for (size_t i = 0; i < files.size() && i < kShown; ++i)
        text += "\n" + files[i];
    if (files.size() > kShown) text += "\n... and " + std::to_string(files.size() - kShown) + " more";
    return text;
}

void TJobAdder::Prepare() {
    const int code = settings_.FormatCodeForJobs();
    ending_ = AddTimeEnding(formats_.FileExt(code));
    zoom_ = formats_.JobZoomMode(code);
    folder_ = PrepareOutputDir(settings_, boxes_, defaultDir_);
}

TAddOutcome TJobAdder::Read(const std::vector<std::string>& files,
                            const std::function<bool(const std::string&)>& listed,
                            const TAddProgress& progress) {
    converter_.ClearTasks();
    TAddOutcome outcome;
    std::set<std::string> taken;
    for (size_t k = 0; k < files.size(); ++k) {
        if (k > 0 && progress && !progress(k, files.size())) {
            outcome.Cancelled = true;
            break;
        }
        const std::string& path = files[k];
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (ec) outcome.Unreadable.push_back(path);
        if (ec || std::filesystem::is_directory(status)) continue;
        if (taken.count(path) || (listed && listed(path))) continue;

        const std::string dest = FreeDestinationName(folder_, path, ending_);
        TInputOptions options;
        InitInputOptions(options);
        options.FileName = path;
        const int task = converter_.AddTask(path, &options);
        if (task < 0) {
            outcome.Unreadable.push_back(path);
            continue;
        }

        TFileStreamInfo info;
        TAVProbe* probe = converter_.GetTaskProbe(task, 0);
        const int64_t duration = (probe && probe->GetFileStreamInfo(info)) ? info.Duration : -1;
        outcome.Jobs.push_back(NewFilesRecord(static_cast<int>(k), path, dest, duration, zoom_));
        taken.insert(path);
        // The task served only to read the file.
        converter_.RemoveTask(task);
        converter_.ClearTasks();
    }
    if (progress && !outcome.Cancelled) progress(files.size(), files.size());
    return outcome;
}

std::vector<TlvFilesRecord> TJobAdder::Probe(const std::vector<std::string>& files,
                                             const std::function<bool(const std::string&)>& listed) {
    Prepare();
    return Read(files, listed).Jobs;
}

} // namespace orvel
