#pragma once
// The probing half of adding files to the job list: each chosen file that is not listed yet is
// opened as a temporary task of the conversion component, whose probe gives its length; a
// readable file becomes a new job with its add-time destination name. Folders, duplicates and
// files that cannot be read as media are skipped without a message.
#include "app/store/MessageBoxes.h"
#include "batch/lvFilesRecord.h"

#include <functional>
#include <string>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatParamStore;
class TAppSettings;

class TJobAdder {
public:
    TJobAdder(TCustomFFmpegConverter& converter, TFormatParamStore& formats, TAppSettings& settings,
              IMessageBoxes& boxes, std::string defaultDir);

    // listed: whether a path already is a row of the list. Files come in the dialog's order;
    // a file chosen twice in one selection is added once. Each new job's record carries its
    // length and its add-time destination, which the list's columns show.
    std::vector<TlvFilesRecord> Probe(const std::vector<std::string>& files,
                                      const std::function<bool(const std::string&)>& listed);

private:
    TCustomFFmpegConverter& converter_;
    TFormatParamStore& formats_;
    TAppSettings& settings_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
};

} // namespace orvel
