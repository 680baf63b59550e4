#pragma once
// The probing half of adding files to the job list: each chosen file that is not listed yet is
// opened as a temporary task of the conversion component, whose probe gives its length; a
// readable file becomes a new job with its add-time destination name. Folders, duplicates and
// files that cannot be read as media are skipped without a message.
#include "app/MessageBoxes.h"
#include "batch/lvFilesRecord.h"

#include <functional>
#include <string>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatParamStore;
class TAppSettings;

struct TAddedJob {
    std::string Source;   // the row's caption
    int LengthSec = 0;    // "Length" and, until trimmed, "Trimmed Length"
    std::string DestName; // "Destination File": the file name only
    TlvFilesRecord Record;
};

class TJobAdder {
public:
    TJobAdder(TCustomFFmpegConverter& converter, TFormatParamStore& formats, TAppSettings& settings,
              IMessageBoxes& boxes, std::string defaultDir);

    // listed: whether a path already is a row of the list. Files come in the dialog's order;
    // a file chosen twice in one selection is added once.
    std::vector<TAddedJob> Probe(const std::vector<std::string>& files,
                                 const std::function<bool(const std::string&)>& listed);

private:
    TCustomFFmpegConverter& converter_;
    TFormatParamStore& formats_;
    TAppSettings& settings_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
};

} // namespace orvel
