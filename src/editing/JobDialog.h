#pragma once
// The role of the editing dialogs (trim, crop, watermark) for the window that opens them.
#include "batch/lvFilesRecord.h"

#include <optional>

namespace orvel {

// A dialog that edits a copy of one job and hands the edited copy back on Ok.
class IJobDialog {
public:
    virtual ~IJobDialog() = default;
    // Shows the dialog modally over the job; nothing when the user cancelled.
    virtual std::optional<TlvFilesRecord> Edit(const TlvFilesRecord& job) = 0;
};

} // namespace orvel
