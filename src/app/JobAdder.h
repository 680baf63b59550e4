#pragma once
// The probing half of adding files to the job list: each chosen file that is not listed yet is
// opened as a temporary task of the conversion component, whose probe gives its length; a
// readable file becomes a new job with its add-time destination name. Folders and duplicates
// are skipped; files that cannot be read as media are skipped and named in the outcome.
#include "app/store/MessageBoxes.h"
#include "batch/lvFilesRecord.h"

#include <functional>
#include <string>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatParamStore;
class TAppSettings;

struct TAddOutcome {
    std::vector<TlvFilesRecord> Jobs;
    std::vector<std::string> Unreadable; // missing, or not readable as media
    bool Cancelled = false;
};
// Told after each file (done of total); false stops the add after that file.
using TAddProgress = std::function<bool(size_t done, size_t total)>;

// The notice after an add that skipped files: their paths, one a line (the first 20).
std::string UnreadableFilesNotice(const std::vector<std::string>& files);

class TJobAdder {
public:
    TJobAdder(TCustomFFmpegConverter& converter, TFormatParamStore& formats, TAppSettings& settings,
              IMessageBoxes& boxes, std::string defaultDir);

    // The format's ending and zoom, and the output folder (made, or the default one after a
    // warning). On the thread that may show a message box, before Read.
    void Prepare();
    // listed: whether a path already is a row of the list. Files come in the dialog's order;
    // a file chosen twice in one selection is added once. Each new job's record carries its
    // length and its add-time destination. Shows nothing, so it may run on a worker thread
    // while the caller's thread keeps its events going.
    TAddOutcome Read(const std::vector<std::string>& files,
                     const std::function<bool(const std::string&)>& listed,
                     const TAddProgress& progress = {});
    // Prepare and Read in one.
    std::vector<TlvFilesRecord> Probe(const std::vector<std::string>& files,
                                      const std::function<bool(const std::string&)>& listed);

private:
    TCustomFFmpegConverter& converter_;
    TFormatParamStore& formats_;
    TAppSettings& settings_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
    std::string folder_;
    std::string ending_;
    std::string zoom_;
};

} // namespace orvel
