#pragma once
// The main window: job list, toolbar, preview panel, output folder and menus. Creating it
// creates the global object, selects the colour scheme and installs the global error handler;
// closing it asks first and then releases everything the session used.
#include "app/GlobalObject.h"
#include "batch/lvFilesRecord.h"
#include "engine/Bitmap24.h"

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

inline constexpr int kMainWindowWidth = 786;
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
    // Format and parameter panel; its contents belong to the format catalog.
    QGroupBox* pnlFormat;
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

    std::unique_ptr<TGlobalObject> globalObj_;
    bool shown_ = false;
};

} // namespace orvel
