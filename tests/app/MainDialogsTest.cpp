#include "app/MainDialogs.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvel;

namespace {

// What happened to the dialogs, in order: "new Trim 1", "show Trim 1", "gone Trim 1"...
using TJournal = std::vector<std::string>;

template <class TRole> class TJournalDialog : public TRole {
public:
    TJournalDialog(TJournal& journal, std::string name) : journal_(journal), name_(std::move(name)) {
        journal_.push_back("new " + name_);
    }
    ~TJournalDialog() override { journal_.push_back("gone " + name_); }

protected:
    void Shown(const std::string& what = {}) { journal_.push_back("show " + name_ + what); }

    TJournal& journal_;
    std::string name_;
};

class TJobDialog : public TJournalDialog<IJobDialog> {
public:
    using TJournalDialog::TJournalDialog;
    // Ok with the trim start moved on; a job with TrimStart < 0 is cancelled.
    std::optional<TlvFilesRecord> Edit(const TlvFilesRecord& job) override {
        Shown(" " + job.SourceFile);
        if (job.TrimStart < 0) return std::nullopt;
        TlvFilesRecord edited = job;
        edited.TrimStart += 1000;
        return edited;
    }
};

class TInfoDialog : public TJournalDialog<IFileInfoDialog> {
public:
    using TJournalDialog::TJournalDialog;
    void ShowFile(const std::string& sourceFile) override { Shown(" " + sourceFile); }
};

class TPlainDialog : public TJournalDialog<IModalDialog> {
public:
    using TJournalDialog::TJournalDialog;
    void ShowModal() override { Shown(); }
};

template <class TDialog> auto Factory(TJournal& journal, const std::string& kind) {
    return [&journal, kind, count = 0]() mutable {
        return std::make_unique<TDialog>(journal, kind + " " + std::to_string(++count));
    };
}

TMainDialogFactories AllFactories(TJournal& journal) {
    return {Factory<TJobDialog>(journal, "Trim"),         Factory<TJobDialog>(journal, "Crop"),
            Factory<TJobDialog>(journal, "Watermark"),    Factory<TInfoDialog>(journal, "FileInfo"),
            Factory<TPlainDialog>(journal, "Preference"), Factory<TPlainDialog>(journal, "Settings"),
            Factory<TPlainDialog>(journal, "About")};
}

} // namespace

TEST(MainDialogsTest, CropAndWatermarkAreNewAtEachOpeningTheOthersKeptFromFirstUse) {
    TlvFilesRecord job;
    job.SourceFile = "/a.avi";
    struct Case {
        std::string name;
        std::function<void(TMainDialogs&)> open;
        TJournal twice; // the journal after two openings
    } cases[] = {
        {"Trim",
         [&](TMainDialogs& d) { d.EditTrim(job); },
         {"new Trim 1", "show Trim 1 /a.avi", "show Trim 1 /a.avi"}},
        {"Crop",
         [&](TMainDialogs& d) { d.EditCrop(job); },
         {"new Crop 1", "show Crop 1 /a.avi", "gone Crop 1", "new Crop 2", "show Crop 2 /a.avi"}},
        {"Watermark",
         [&](TMainDialogs& d) { d.EditWatermark(job); },
         {"new Watermark 1", "show Watermark 1 /a.avi", "gone Watermark 1", "new Watermark 2",
          "show Watermark 2 /a.avi"}},
        {"FileInfo",
         [](TMainDialogs& d) { d.ShowFileInfo("/b.mkv"); },
         {"new FileInfo 1", "show FileInfo 1 /b.mkv", "show FileInfo 1 /b.mkv"}},
        {"Preference",
         [](TMainDialogs& d) { d.ShowPreference(); },
         {"new Preference 1", "show Preference 1", "show Preference 1"}},
        {"Settings",
         [](TMainDialogs& d) { d.ShowSettings(); },
         {"new Settings 1", "show Settings 1", "show Settings 1"}},
        {"About", [](TMainDialogs& d) { d.ShowAbout(); }, {"new About 1", "show About 1", "show About 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJournal journal;
        {
            TMainDialogs dialogs(AllFactories(journal));
            EXPECT_TRUE(journal.empty()) << "nothing is made before its first use";
            c.open(dialogs);
            c.open(dialogs);
            EXPECT_EQ(journal, c.twice);
        }
        EXPECT_EQ(journal.back().rfind("gone " + c.name, 0), 0u)
            << "the dialog that is left goes with the main window's dialogs";
    }
}

TEST(MainDialogsTest, EditedCopyComesBackOnlyOnOkAndAMissingDialogChangesNothing) {
    TJournal journal;
    TMainDialogFactories factories = AllFactories(journal);
    factories.Watermark = nullptr;
    TMainDialogs dialogs(std::move(factories));

    TlvFilesRecord job;
    job.TrimStart = 5000;
    const auto edited = dialogs.EditTrim(job);
    ASSERT_TRUE(edited.has_value());
    EXPECT_EQ(edited->TrimStart, 6000);
    EXPECT_EQ(job.TrimStart, 5000) << "the dialog works on a copy";
    job.TrimStart = -1;
    EXPECT_EQ(dialogs.EditCrop(job), std::nullopt);

    EXPECT_TRUE(dialogs.Available(TMainDialog::Crop));
    EXPECT_FALSE(dialogs.Available(TMainDialog::Watermark));
    const std::size_t before = journal.size();
    EXPECT_EQ(dialogs.EditWatermark(job), std::nullopt);
    EXPECT_EQ(journal.size(), before);
}
