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

std::vector<TlvFilesRecord> TJobAdder::Probe(const std::vector<std::string>& files,
                                             const std::function<bool(const std::string&)>& listed) {
    converter_.ClearTasks();
    const int code = settings_.FormatCodeForJobs();
    const std::string ending = AddTimeEnding(formats_.FileExt(code));
    const std::string zoom = formats_.JobZoomMode(code);

    std::vector<TlvFilesRecord> added;
    std::set<std::string> taken;
    for (size_t k = 0; k < files.size(); ++k) {
        const std::string& path = files[k];
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (ec || std::filesystem::is_directory(status)) continue;
        if (taken.count(path) || (listed && listed(path))) continue;

        const std::string dest = DestinationFileName(path, ending, settings_, boxes_, defaultDir_);
        TInputOptions options;
        InitInputOptions(options);
        options.FileName = path;
        const int task = converter_.AddTask(path, &options);
        if (task < 0) continue;

        TFileStreamInfo info;
        TAVProbe* probe = converter_.GetTaskProbe(task, 0);
        const int64_t duration = (probe && probe->GetFileStreamInfo(info)) ? info.Duration : -1;
        added.push_back(NewFilesRecord(static_cast<int>(k), path, dest, duration, zoom));
        taken.insert(path);
        // The task served only to read the file.
        converter_.RemoveTask(task);
        converter_.ClearTasks();
    }
    return added;
}

} // namespace orvel
