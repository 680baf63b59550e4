#pragma once
// The main window: job list, toolbar, preview panel, output folder and menus. Creating it
// creates the global object, selects the colour scheme and installs the global error handler;
// closing it asks first and then releases everything the session used.
#include "app/GlobalObject.h"
#include "batch/lvFilesRecord.h"
#include "engine/Bitmap24.h"
#include "windows/FolderChooser.h"
#include "windows/OpenFileDialog.h"

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
#include <QTreeWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace orvel {

class TCatalogPanel;
class TParameterPanel;
class TJobListPart;
class TFFmpegConverter;
class TFormatParamStore;
class TfmDirectory;
class TfrmAbout;

inline constexpr int kMainWindowWidth = 786;
inline constexpr const char* kSupportUrl = "https://orvel-video-converter.example/support/";
inline constexpr int kMainWindowHeight = 522;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Loads the preview player's libraries from the given folder, or finds them loaded.
    // Answers an empty text on success, else the loader's last error message. The player
    // installs it; while nobody has, the window logs that there is no player.
    using TPlayerLibraryLoader = std::function<std::string(const std::string& libraryFolder)>;
    static inline TPlayerLibraryLoader PlayerLibraryLoader;

    explicit TfrmMain(const TAppPaths& paths = TAppPaths::ForExecutable(), QWidget* parent = nullptr);
    ~TfrmMain() override;

    TGlobalObject* GlobalObj() const { return globalObj_.get(); }

    // Close without the question (set by a component that has to end the program).
    bool ExitWithoutAsking = false;

    // Steps of the closing sequence that the components fill in as they join the window.
    std::function<void()> OnSaveCatalogState; // before everything else is released
    std::function<void()> OnStopConversion;   // detach handlers, stop all tasks and wait
    std::function<void()> OnStopPreview;      // stop the player without waiting
    // Runs at the first show, after the settings are read: fills the format catalog.
    std::function<void()> OnFillCatalog;

    // Where Add asks for files and Brows for a folder; the desktop's dialogs when not given.
    void SetOpenFileDialog(IOpenFileDialog* dialog);
    void SetFolderChooser(IFolderChooser* chooser) { folderChooser_ = chooser; }
    // Opens a web address or a folder with the desktop's handler; tests replace them.
    std::function<void(const std::string& url)> OpenAddress;
    std::function<void(const std::string& folder)> OpenFolder;
    // Set by Play on an empty list: the add that follows starts the preview.
    bool PlayAfterAdd = false;
    std::function<void()> OnStartPreview;

    // The current output format as the first show read it.
    std::string CurrentFormatCode;
    std::string CurrentFormatName;

    std::unique_ptr<Bitmap24> PreviewFrame; // latest conversion preview frame
    TTaskItems TaskItems;

    // Toolbar.
    QPushButton* btnAdd;
    QPushButton* btnRemove;
    QPushButton* btnClear;
    QPushButton* BtnEdit;
    QPushButton* btnStart;
    QPushButton* btnExit;
    // Job list.
    QTreeWidget* lvFiles;
    // Preview panel.
    QFrame* pnlVideo;
    QSlider* trcPreview;
    QPushButton* imgbtnPlay;
    QPushButton* imgbtnPAuse;
    QPushButton* imgbtnStop;
    QPushButton* imgbtnSnap;
    QCheckBox* ckMute;
    QSlider* trcVolume;
    // Format catalog drop-down and the parameter selectors below the job list.
    TCatalogPanel* CatalogPanel = nullptr;
    QGroupBox* pnlFormat;
    TParameterPanel* ParameterPanel = nullptr;
    TJobListPart* JobList = nullptr;
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
    // Pop-up menu of the job list and of BtnEdit.
    QMenu* pmFiles;
    QAction* pmCrop;
    QAction* pmTrim;
    QAction* pmEffects;
    QAction* pmAdd;
    QAction* pmRemove;
    QAction* pmClear;
    QAction* pmStart;
    QAction* pmVideoInfo;

    // The close question and the releasing steps; false keeps the window open.
    bool FormCloseQuery();
    // Colour scheme command of the Skin menu.
    void SkinItemClick(int index);
    // Commands.
    void btnAddClick();
    void btnRemoveClick();
    void btnClearClick();
    void btnBrowsClick();
    void btnOpenClick();
    void imgbtnPlayClick();
    void miAboutClick();
    // The enabling rules of the Edit menu and the pop-up menu, run as each opens.
    void mnuEditPopup();
    void pmFilesPopup();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void NameControls();
    void FormCreate(const TAppPaths& paths);
    void FormShow();
    void LoadPlayerLibraries();
    void SetUpColumns();
    void CreateFormatAndJobParts();
    void ConnectCommands();
    void edDirectoryChange();

    std::unique_ptr<TGlobalObject> globalObj_;
    std::unique_ptr<TFFmpegConverter> converter_;
    std::unique_ptr<TFormatParamStore> formats_;
    std::unique_ptr<IOpenFileDialog> ownOpenFileDialog_;
    IFolderChooser* folderChooser_ = nullptr;
    TfmDirectory* ownFolderChooser_ = nullptr; // created on first use, kept
    TfrmAbout* about_ = nullptr;               // created on first use, kept
    int checkedSkin_ = -1;                     // the Skin item that carries the check mark
    bool shown_ = false;
};

} // namespace orvel
