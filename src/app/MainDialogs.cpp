#include "app/MainDialogs.h"

namespace orvel {
namespace {

std::optional<TlvFilesRecord> EditIn(TDialogSlot<IJobDialog>& slot, const TlvFilesRecord& job) {
    IJobDialog* dialog = slot.Open();
    return dialog ? dialog->Edit(job) : std::nullopt;
}

void ShowIn(TDialogSlot<IModalDialog>& slot) {
    if (IModalDialog* dialog = slot.Open()) dialog->ShowModal();
}

} // namespace

TMainDialogs::TMainDialogs(TMainDialogFactories f)
    : trim_(TDialogLifetime::KeptFromFirstUse, std::move(f.Trim)),
      crop_(TDialogLifetime::NewAtEachOpening, std::move(f.Crop)),
      watermark_(TDialogLifetime::NewAtEachOpening, std::move(f.Watermark)),
      fileInfo_(TDialogLifetime::KeptFromFirstUse, std::move(f.FileInfo)),
      preference_(TDialogLifetime::KeptFromFirstUse, std::move(f.Preference)),
      settings_(TDialogLifetime::KeptFromFirstUse, std::move(f.Settings)),
      about_(TDialogLifetime::KeptFromFirstUse, std::move(f.About)) {}

bool TMainDialogs::Available(TMainDialog dialog) const {
    switch (dialog) {
    case TMainDialog::Trim:
        return trim_.Available();
    case TMainDialog::Crop:
        return crop_.Available();
    case TMainDialog::Watermark:
        return watermark_.Available();
    case TMainDialog::FileInfo:
        return fileInfo_.Available();
    case TMainDialog::Preference:
        return preference_.Available();
    case TMainDialog::Settings:
        return settings_.Available();
    case TMainDialog::About:
        return about_.Available();
    }
    return false;
}

std::optional<TlvFilesRecord> TMainDialogs::EditTrim(const TlvFilesRecord& job) {
    return EditIn(trim_, job);
}
std::optional<TlvFilesRecord> TMainDialogs::EditCrop(const TlvFilesRecord& job) {
    return EditIn(crop_, job);
}
std::optional<TlvFilesRecord> TMainDialogs::EditWatermark(const TlvFilesRecord& job) {
    return EditIn(watermark_, job);
}

void TMainDialogs::ShowFileInfo(const std::string& sourceFile) {
    if (IFileInfoDialog* dialog = fileInfo_.Open()) dialog->ShowFile(sourceFile);
}
void TMainDialogs::ShowPreference() {
    ShowIn(preference_);
}
void TMainDialogs::ShowSettings() {
    ShowIn(settings_);
}
void TMainDialogs::ShowAbout() {
    ShowIn(about_);
}

void TMainDialogs::Release() {
    trim_.Release();
    crop_.Release();
    watermark_.Release();
    fileInfo_.Release();
    preference_.Release();
    settings_.Release();
    about_.Release();
}

} // namespace orvel
