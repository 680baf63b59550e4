#pragma once
// The main window: job list, toolbar, preview panel, output folder and menus. Creating it
// creates the global object, selects the colour scheme and installs the global error handler;
// closing it asks first and then releases everything the session used. Its collaborators come
// from the composition root (main.cpp) through TMainWindowParts.
#include "app/MainDialogs.h"
#include "app/store/AppSettings.h"
#include "app/store/FolderChooser.h"
#include "app/store/GlobalObject.h"
#include "app/store/MessageBoxes.h"
#include "app/store/Snapshots.h"
#include "app/windows/PreviewPanel.h"
#include "batch/lvFilesRecord.h"
#include "engine/pictures/Bitmap24.h"
#include "player/MediaPlayer.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeView>

#include <array>
#include <memory>
#include <string>

namespace orvel {

class TCustomFFmpegConverter;
class TFormatListModel;
class TFormatParamStore;
class ISystemActions;
class IOpenFileDialog;
class TCatalogPanel;
class TParameterPanel;
class TJobListPart;
class TMainBatchPart;

inline constexpr int kMainWindowWidth = 786;
inline constexpr int kMainWindowHeight = 522;
inline constexpr const char* kSupportUrl = "https://orvel-video-converter.example/support/";

// Everything the main window works with. Each member is a reference, so leaving one out of
// the composition root does not build.
struct TMainWindowParts {
    TAppPaths Paths; // the global object's two files
    TAppSettings& Settings;
    TFormatParamStore& Formats;
    TFormatListModel& Catalog; // the format catalog's rows and their stored state
    TCustomFFmpegConverter& Converter;
    IPlayerFactory& Players;
    IMainDialogs& Dialogs;
    IMessageBoxes& Boxes;
    ISystemActions& System;
    IOpenFileDialog& OpenDialog;
    IFolderChooser& Folders; // the output folder's "Brows"
};

class TfrmMain : public QMainWindow, private IPreviewHost {
    Q_OBJECT
public:
    explicit TfrmMain(const TMainWindowParts& parts, QWidget* parent = nullptr);
    ~TfrmMain() override;

    TGlobalObject* GlobalObj() const { return globalObj_.get(); }

    // Close without the question (set by a component that has to end the program).
    bool ExitWithoutAsking = false;

    // The current output format as the first show read it.
    std::string CurrentFormatCode;
    std::string CurrentFormatName;

    std::unique_ptr<Bitmap24> PreviewFrame; // latest conversion preview frame
    TTaskItems TaskItems;

    // The close question and the releasing steps; false keeps the window open.
    bool FormCloseQuery();
    // Colour scheme command of the Skin menu.
    void SkinItemClick(int index);
    // The job list's commands; its model holds the rows and records (the batch controller's jobs).
    TJobListPart& JobList() { return *jobList_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void NameControls();
    void FormCreate();
    void FormShow();
    void LoadPlayerLibraries();
    void CreateFormatAndJobParts();
    void ConnectCommands();
    void SetShortcutKeys();
    void SpeakableNamesAndTabOrder();
    void btnAddClick();
    void btnRemoveClick();
    void btnClearClick();
    void btnBrowsClick();
    void btnOpenClick();
    void edDirectoryChange();
    void ShowStoredOutputDir();
    void btnStartClick();
    // IPreviewHost: what the preview panel plays.
    bool ListEmpty() const override;
    std::string FileToPreview() override;
    void AddThenPlay() override;
    // Crop, trim, watermark: the dialog edits a copy of the selected job, written back on Ok.
    void EditSelectedJob(TMainDialog dialog);
    // The selected job's edits onto the selected rows or every row, as the user chooses.
    void ApplyEditsClick();
    // The enabling rules of the Edit menu and the pop-up menu, run as each opens.
    void mnuEditPopup();
    void pmFilesPopup();

    TMainWindowParts parts_;
    std::unique_ptr<IMediaPlayer> player_;
    TSnapshotWriter snapshots_;
    std::unique_ptr<TGlobalObject> globalObj_;
    bool shown_ = false;
    bool PlayAfterAdd = false; // set by Play on an empty list; the add consumes it
    int checkedSkin_ = -1;     // the Skin item that carries the check mark

    // Controls, named as the window's description names them (tests find them by name).
    // Toolbar.
    QPushButton* btnAdd;
    QPushButton* btnRemove;
    QPushButton* btnClear;
    QPushButton* BtnEdit;
    QPushButton* btnStart;
    QPushButton* btnExit;
    // Job list.
    QTreeView* lvFiles;
    // Preview panel and the conversion it hands over to.
    TPreviewPanel* PreviewPanel;
    TMainBatchPart* batch_;
    // Format catalog drop-down under the toolbar, parameter selectors below the job list.
    TCatalogPanel* CatalogPanel;
    QGroupBox* pnlFormat;
    TParameterPanel* ParameterPanel;
    TJobListPart* jobList_;
    // Output folder.
    QLineEdit* edDirectory;
    QPushButton* btnBrows;
    QPushButton* btnOpen;
    QPushButton* SpeedButton1;
    QPlainTextEdit* mmoLog; // hidden log of start-up failures

    // Main menu.
    QMenu* mnuFile;
    QAction* miAdd;
    QAction* miRemove;
    QAction* miClear;
    QAction* miStart;
    QAction* miSettings; // present but hidden
    QAction* miExit;
    QMenu* mnuEdit;
    QAction* miCrop;
    QAction* miTrim;
    QAction* miEffects;
    QAction* miApplyEdits;
    QAction* miCheckAll;
    QAction* miUncheckAll;
    QAction* miReverseCheck;
    QAction* miCheck;
    QAction* miUncheck;
    QMenu* mnuTools;
    QAction* miPreference;
    QMenu* mnuSkin;
    std::array<QAction*, 7> miSkins{};
    QMenu* mnuHelp;
    QAction* miHelp;
    QAction* miWebSite;
    QAction* miSupport;
    QAction* miAbout;
    QAction* miShortcuts;
    // Pop-up menu of the job list and of BtnEdit.
    QMenu* pmFiles;
    QAction* pmCrop;
    QAction* pmTrim;
    QAction* pmEffects;
    QAction* pmApplyEdits;
    QAction* pmAdd;
    QAction* pmRemove;
    QAction* pmClear;
    QAction* pmStart;
    QAction* pmVideoInfo;
};

} // namespace orvel
