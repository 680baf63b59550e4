#pragma once
// The folder chooser ("Brows"): a tree of the file system's folders that starts at the same
// folder at every showing, refuses folders on an optical disc and folders of the kernel's pseudo
// file systems, and keeps its result between uses. One instance serves every caller.
#include "app/store/FolderChooser.h"
#include "app/store/MessageBoxes.h"

#include <QDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include <functional>

namespace orvel {

inline constexpr int kDirectoryChooserWidth = 322;
inline constexpr int kDirectoryChooserHeight = 351;
inline constexpr const char* kOpticalDiscRefusal =
    "Output folder cannot be located in CD-ROM.Please select another folder.";

class TfmDirectory : public QDialog, public IFolderChooser {
    Q_OBJECT
public:
    // startFolder: where every showing starts; the home folder when empty.
    explicit TfmDirectory(IMessageBoxes& boxes, QWidget* parent = nullptr,
                          const std::string& startFolder = {});

    // Shows the chooser modally: the chosen folder, or nothing after Cancel or the close box.
    std::optional<std::string> ChooseFolder() override;
    // The folder taken by the last Ok, or empty after Cancel; the close box leaves it.
    const std::string& Result() const { return result_; }
    std::string SelectedFolder() const;
    void SelectFolder(const std::string& path);

    // The drive-type query; tests replace it.
    std::function<bool(const std::string& path)> IsOpticalDisc;

    QLabel* Label1;
    QTreeView* stview_selectdir;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void stview_selectdirClick();
    void btnOkClick();
    void btnCancelClick();

    QFileSystemModel* folders_;
    IMessageBoxes& boxes_;
    std::string startFolder_;
    std::string result_;
};

} // namespace orvel
