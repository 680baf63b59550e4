#include "app/windows/DesktopDialogs.h"

#include "app/store/AppSettings.h"
#include "app/store/GlobalObject.h"
#include "app/windows/frmAbout.h"
#include "auxiliary/windows/frmFileInfo.h"
#include "auxiliary/windows/frmPreference.h"
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"
#include "formats/windows/frmSettings.h"

namespace orvel {

TMainDialogFactories DesktopDialogFactories(const TDesktopDialogParts& parts) {
    TMainDialogFactories f;
    f.About = [parts] { return std::make_unique<TfrmAbout>(parts.Owner()); };
    f.Trim = [parts] { return std::make_unique<TfrmTrim>(parts.Players, parts.Owner()); };
    f.Crop = [parts] { return std::make_unique<TfrmCrop>(parts.Players, parts.Owner()); };
    f.Watermark = [parts] {
        return std::make_unique<TfrmWaterMark>(parts.Players, parts.OpenDialog, parts.Owner());
    };
    f.Preference = [parts] {
        return std::make_unique<TfrmPreference>(parts.Settings, parts.Folders, parts.System, parts.Boxes,
                                                parts.Owner());
    };
    f.FileInfo = [parts] {
        return std::make_unique<TfrmFileInfo>(ExecutableLibraryFolder(), parts.Boxes, parts.Owner());
    };
    f.Settings = [parts] {
        return std::make_unique<TfrmSettings>(parts.Formats, parts.Boxes, parts.Owner());
    };
    return f;
}

} // namespace orvel
