#pragma once
// The dialogs the main window opens, one entry each, and the rule of their lifetime: the crop
// and watermark dialogs are made fresh at each opening, every other dialog on first use and
// then kept for the rest of the run. The progress window is the batch controller's view and
// is not among them.
#include "app/store/DialogRoles.h"
#include "batch/lvFilesRecord.h"
#include "editing/JobDialog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvel {

enum class TMainDialog { Trim, Crop, Watermark, FileInfo, Preference, Settings, About };

class IMainDialogs {
public:
    virtual ~IMainDialogs() = default;
    // Whether this build has the dialog; the main window disables the commands of one it
    // lacks, and opening it does nothing.
    virtual bool Available(TMainDialog dialog) const = 0;
    virtual std::optional<TlvFilesRecord> EditTrim(const TlvFilesRecord& job) = 0;
    virtual std::optional<TlvFilesRecord> EditCrop(const TlvFilesRecord& job) = 0;
    virtual std::optional<TlvFilesRecord> EditWatermark(const TlvFilesRecord& job) = 0;
    virtual void ShowFileInfo(const std::string& sourceFile) = 0;
    virtual void ShowPreference() = 0;
    // The caller saves the catalog state first.
    virtual void ShowSettings() = 0;
    virtual void ShowAbout() = 0;
};

enum class TDialogLifetime { KeptFromFirstUse, NewAtEachOpening };

// One dialog of TMainDialogs: makes it as its lifetime says, with the factory it was given.
template <class TRole> class TDialogSlot {
public:
    using TFactory = std::function<std::unique_ptr<TRole>()>;
    TDialogSlot(TDialogLifetime lifetime, TFactory create)
        : lifetime_(lifetime), create_(std::move(create)) {}

    // The instance for this opening. A fresh one replaces the earlier instance only after
    // that one is destroyed, so two never exist at once.
    // nullptr when the slot has no factory.
    TRole* Open() {
        if (lifetime_ == TDialogLifetime::NewAtEachOpening) instance_.reset();
        if (!instance_ && create_) instance_ = create_();
        return instance_.get();
    }
    bool Created() const { return instance_ != nullptr; }
    bool Available() const { return static_cast<bool>(create_); }
    void Release() { instance_.reset(); }

private:
    TDialogLifetime lifetime_;
    TFactory create_;
    std::unique_ptr<TRole> instance_;
};

// How each dialog is made, given by the composition root; an empty factory is a dialog this
// build does not have.
struct TMainDialogFactories {
    TDialogSlot<IJobDialog>::TFactory Trim;
    TDialogSlot<IJobDialog>::TFactory Crop;
    TDialogSlot<IJobDialog>::TFactory Watermark;
    TDialogSlot<IFileInfoDialog>::TFactory FileInfo;
    TDialogSlot<IModalDialog>::TFactory Preference;
    TDialogSlot<IModalDialog>::TFactory Settings;
    TDialogSlot<IModalDialog>::TFactory About;
};

class TMainDialogs : public IMainDialogs {
public:
    explicit TMainDialogs(TMainDialogFactories factories);

    bool Available(TMainDialog dialog) const override;
    std::optional<TlvFilesRecord> EditTrim(const TlvFilesRecord& job) override;
    std::optional<TlvFilesRecord> EditCrop(const TlvFilesRecord& job) override;
    std::optional<TlvFilesRecord> EditWatermark(const TlvFilesRecord& job) override;
    void ShowFileInfo(const std::string& sourceFile) override;
    void ShowPreference() override;
    void ShowSettings() override;
    void ShowAbout() override;
    // Destroys every dialog made so far: at the program's end, before the window they belong to.
    void Release();

private:
    TDialogSlot<IJobDialog> trim_;
    TDialogSlot<IJobDialog> crop_;
    TDialogSlot<IJobDialog> watermark_;
    TDialogSlot<IFileInfoDialog> fileInfo_;
    TDialogSlot<IModalDialog> preference_;
    TDialogSlot<IModalDialog> settings_;
    TDialogSlot<IModalDialog> about_;
};

} // namespace orvel
