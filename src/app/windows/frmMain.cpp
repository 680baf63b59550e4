#include "app/windows/frmMain.h"

#include "app/KeyboardShortcuts.h"
#include "app/store/ErrorHandler.h"
#include "app/windows/JobListPart.h"
#include "app/windows/MainBatchPart.h"
#include "app/windows/PreviewPanel.h"
#include "app/windows/frmApplyEdits.h"
#include "app/windows/frmShortcuts.h"
#include "batch/BatchController.h"
#include "engine/component/FFmpegConverter.h"
#include "formats/FormatListModel.h"
#include "formats/windows/CatalogPanel.h"
#include "formats/windows/ParameterPanel.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowGeometry.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace orvel {
namespace {

QPushButton* ToolButton(const QString& caption, QStyle::StandardPixmap icon, QWidget* parent) {
    auto* button = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    button->setMinimumSize(84, 34);
    button->setIconSize(QSize(20, 20));
    return button;
}

} // namespace

TfrmMain::TfrmMain(const TMainWindowParts& parts, QWidget* parent)
    : QMainWindow(parent), parts_(parts), player_(parts.Players.CreatePlayer()),
      snapshots_(parts.Settings, parts.Boxes, DefaultKestruneDir()) {
    CreateControls();
    CreateMenus();
    NameControls();
    FormCreate();
    RememberWindowGeometry(*this, parts_.Paths.SettingsIniPath, QSize(kMainWindowWidth, kMainWindowHeight));
}

TfrmMain::~TfrmMain() {
    // Both work on the preview player, which goes before the window's children would.
    delete batch_;
    delete PreviewPanel;
    if (GlobalObject() == globalObj_.get()) SetGlobalObject(nullptr);
    SetUnhandledErrorHandler(nullptr);
}

void TfrmMain::CreateControls() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(6, 4, 6, 6); // the toolbar sits 4 pixels below the menu bar
    root->setSpacing(6);

    auto* toolbar = new QHBoxLayout;
    btnAdd = ToolButton("&Add", QStyle::SP_FileDialogNewFolder, central);
    btnRemove = ToolButton("&Remove", QStyle::SP_DialogDiscardButton, central);
    btnClear = ToolButton("&Clear", QStyle::SP_DialogResetButton, central);
    // Alt+E belongs to the Edit menu and Alt+S to btnStart: no two controls share a letter.
    BtnEdit = ToolButton("E&dit", QStyle::SP_FileDialogDetailedView, central);
    btnStart = ToolButton("&Start", QStyle::SP_MediaPlay, central);
    btnExit = ToolButton("E&xit", QStyle::SP_DialogCloseButton, central);
    for (QPushButton* b : {btnAdd, btnRemove, btnClear, BtnEdit, btnStart, btnExit})
        toolbar->addWidget(b);
    toolbar->addStretch();
    root->addLayout(toolbar);

    auto* middle = new QHBoxLayout;
    lvFiles = new QTreeView(central);
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setSortingEnabled(false);
    lvFiles->setAlternatingRowColors(true);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    lvFiles->header()->setSectionsMovable(false);
    lvFiles->header()->setStretchLastSection(false);
    middle->addWidget(lvFiles, 1);

    PreviewPanel = new TPreviewPanel(*player_, parts_.Settings, snapshots_, parts_.System,
                                     ExecutableLibraryFolder(), central);
    PreviewPanel->setFixedWidth(268);
    PreviewPanel->SetHost(this);
    middle->addWidget(PreviewPanel, 0, Qt::AlignTop);
    root->addLayout(middle, 1);

    pnlFormat = new QGroupBox("Output Format", central);
    pnlFormat->setMinimumHeight(120);
    root->addWidget(pnlFormat);

    auto* output = new QHBoxLayout;
    auto* folderCaption = new QLabel("&Output folder:", central);
    output->addWidget(folderCaption);
    edDirectory = new QLineEdit(central);
    folderCaption->setBuddy(edDirectory);
    output->addWidget(edDirectory, 1);
    btnBrows = new QPushButton("Brows", central);
    btnOpen = new QPushButton("Open", central);
    SpeedButton1 = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), "Start", central);
    for (QPushButton* b : {btnBrows, btnOpen, SpeedButton1})
        output->addWidget(b);
    root->addLayout(output);

    mmoLog = new QPlainTextEdit(central);
    mmoLog->setReadOnly(true);
    mmoLog->hide();

    connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmMain::CreateMenus() {
    mnuFile = menuBar()->addMenu("&File");
    miAdd = mnuFile->addAction("&Add");
    miRemove = mnuFile->addAction("&Remove");
    miClear = mnuFile->addAction("&Clear");
    miStart = mnuFile->addAction("&Start");
    miSettings = mnuFile->addAction("Se&ttings");
    miSettings->setVisible(false);
    mnuFile->addSeparator();
    miExit = mnuFile->addAction("&Exit");
    connect(miExit, &QAction::triggered, this, &QWidget::close);

    mnuEdit = menuBar()->addMenu("&Edit");
    miCrop = mnuEdit->addAction("&Crop");
    miTrim = mnuEdit->addAction("&Trim");
    miEffects = mnuEdit->addAction("&Video Effect && Water Mark");
    miApplyEdits = mnuEdit->addAction("Apply &Edits To...");
    mnuEdit->addSeparator();
    miCheckAll = mnuEdit->addAction("Check &All"); // Alt+C is "&Crop"
    miUncheckAll = mnuEdit->addAction("&Uncheck All");
    miReverseCheck = mnuEdit->addAction("&Reverse Check");
    mnuEdit->addSeparator();
    miCheck = mnuEdit->addAction("C&heck");
    miUncheck = mnuEdit->addAction("U&ncheck");

    mnuTools = menuBar()->addMenu("&Tools");
    miPreference = mnuTools->addAction("&Preference");
    mnuSkin = mnuTools->addMenu("&Skin");
    auto* skins = new QActionGroup(this);
    for (int i = 0; i < kColorSchemeCount; ++i) {
        miSkins[static_cast<std::size_t>(i)] = mnuSkin->addAction(ColorSchemeName(i));
        miSkins[static_cast<std::size_t>(i)]->setCheckable(true);
        skins->addAction(miSkins[static_cast<std::size_t>(i)]);
        connect(miSkins[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { SkinItemClick(i); });
    }
    connect(mnuSkin, &QMenu::aboutToShow, this, [this] {
        const int index = parts_.Settings.SkinIndexForMenu();
        if (IsColorScheme(index)) miSkins[static_cast<std::size_t>(index)]->setChecked(true);
        checkedSkin_ = IsColorScheme(index) ? index : -1;
    });

    mnuHelp = menuBar()->addMenu("&Help");
    miHelp = mnuHelp->addAction("&Help");
    mnuHelp->addSeparator();
    miWebSite = mnuHelp->addAction("&Web Site");
    miSupport = mnuHelp->addAction("&Support and Contact");
    miAbout = mnuHelp->addAction("&About");
    miShortcuts = mnuHelp->addAction("&Keyboard Shortcuts");

    pmFiles = new QMenu(this);
    pmCrop = pmFiles->addAction("&Crop");
    pmTrim = pmFiles->addAction("&Trim");
    pmEffects = pmFiles->addAction("&Video Effect && Water Mark");
    pmApplyEdits = pmFiles->addAction("Apply &Edits To...");
    pmFiles->addSeparator();
    pmAdd = pmFiles->addAction("Add");
    pmRemove = pmFiles->addAction("Remove");
    pmClear = pmFiles->addAction("Clear");
    pmStart = pmFiles->addAction("Start");
    pmFiles->addSeparator();
    pmVideoInfo = pmFiles->addAction("Video Infomation");
    connect(BtnEdit, &QPushButton::clicked, this,
            [this] { pmFiles->popup(BtnEdit->mapToGlobal(QPoint(0, BtnEdit->height()))); });
    connect(lvFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmFiles->popup(lvFiles->viewport()->mapToGlobal(at)); });
}

// Controls carry the names the window's description gives them, so tests and style sheets
// find them by name.
void TfrmMain::NameControls() {
    setObjectName("frmMain");
    const std::pair<QObject*, const char*> named[] = {
        {btnAdd, "btnAdd"},
        {btnRemove, "btnRemove"},
        {btnClear, "btnClear"},
        {BtnEdit, "BtnEdit"},
        {btnStart, "btnStart"},
        {btnExit, "btnExit"},
        {lvFiles, "lvFiles"},
        {pnlFormat, "pnlFormat"},
        {edDirectory, "edDirectory"},
        {btnBrows, "btnBrows"},
        {btnOpen, "btnOpen"},
        {SpeedButton1, "SpeedButton1"},
        {mmoLog, "mmoLog"},
        {mnuFile, "mnuFile"},
        {miAdd, "miAdd"},
        {miRemove, "miRemove"},
        {miClear, "miClear"},
        {miStart, "miStart"},
        {miSettings, "miSettings"},
        {miExit, "miExit"},
        {mnuEdit, "mnuEdit"},
        {miCrop, "miCrop"},
        {miTrim, "miTrim"},
        {miEffects, "miEffects"},
        {miApplyEdits, "miApplyEdits"},
        {miCheckAll, "miCheckAll"},
        {miUncheckAll, "miUncheckAll"},
        {miReverseCheck, "miReverseCheck"},
        {miCheck, "miCheck"},
        {miUncheck, "miUncheck"},
        {mnuTools, "mnuTools"},
        {miPreference, "miPreference"},
        {mnuSkin, "mnuSkin"},
        {mnuHelp, "mnuHelp"},
        {miHelp, "miHelp"},
        {miWebSite, "miWebSite"},
        {miSupport, "miSupport"},
        {miAbout, "miAbout"},
        {miShortcuts, "miShortcuts"},
        {pmFiles, "pmFiles"},
        {pmCrop, "pmCrop"},
        {pmTrim, "pmTrim"},
        {pmEffects, "pmEffects"},
        {pmApplyEdits, "pmApplyEdits"},
        {pmAdd, "pmAdd"},
        {pmRemove, "pmRemove"},
        {pmClear, "pmClear"},
        {pmStart, "pmStart"},
        {pmVideoInfo, "pmVideoInfo"},
    };
    for (const auto& [control, name] : named)
        control->setObjectName(name);
    for (int i = 0; i < kColorSchemeCount; ++i)
        miSkins[static_cast<std::size_t>(i)]->setObjectName(QString("miSkin%1").arg(i));
}

void TfrmMain::FormCreate() {
    globalObj_ = std::make_unique<TGlobalObject>(parts_.Paths);
    SetGlobalObject(globalObj_.get());
    SetApplicationTitle(globalObj_->ProductName());

    // An index that names no scheme keeps the design-time scheme 0.
    ApplyColorScheme(0);
    ApplyColorScheme(parts_.Settings.SkinIndexAtStart());

    SetUnhandledErrorHandler(ShowUnhandledError);
    LoadPlayerLibraries();
    CreateFormatAndJobParts();
    ConnectCommands();
    SpeakableNamesAndTabOrder();
}

// Screen readers read these; Tab goes through the window as it is laid out (the catalog's box,
// made last, sits under the toolbar).
void TfrmMain::SpeakableNamesAndTabOrder() {
    const std::pair<QWidget*, const char*> spoken[] = {{btnAdd, "Add files"},
                                                       {btnRemove, "Remove the selected files"},
                                                       {btnClear, "Clear the list"},
                                                       {BtnEdit, "Edit menu"},
                                                       {btnStart, "Start converting"},
                                                       {btnExit, "Exit"},
                                                       {lvFiles, "Files to convert"},
                                                       {edDirectory, "Output folder"},
                                                       {btnBrows, "Choose the output folder"},
                                                       {btnOpen, "Open the output folder"},
                                                       {SpeedButton1, "Start converting"}};
    for (const auto& [control, name] : spoken)
        control->setAccessibleName(name);
    QWidget* order[] = {
        btnAdd,  btnRemove,      btnClear,    BtnEdit,  btnStart, btnExit,     CatalogPanel->imgbtn1,
        lvFiles, ParameterPanel, edDirectory, btnBrows, btnOpen,  SpeedButton1};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmMain::CreateFormatAndJobParts() {
    const std::string& settingsPath = parts_.Paths.SettingsIniPath;
    // The catalog's box sits right under the toolbar: its list drops down over the job list.
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel("Output For&mat:", centralWidget());
    caption->setObjectName("lblOutputFormat");
    row->addWidget(caption);
    CatalogPanel = new TCatalogPanel(parts_.Catalog, settingsPath, TCatalogPanelOptions::MainWindow(), this,
                                     centralWidget());
    CatalogPanel->setObjectName("CatalogPanel");
    row->addWidget(CatalogPanel, 1);
    caption->setBuddy(CatalogPanel->imgbtn1);
    static_cast<QVBoxLayout*>(centralWidget()->layout())->insertLayout(1, row);

    pnlFormat->setTitle(QString());
    pnlFormat->setFlat(true);
    pnlFormat->setMinimumHeight(0);
    auto* params = new QVBoxLayout(pnlFormat);
    params->setContentsMargins(0, 0, 0, 0);
    ParameterPanel = new TParameterPanel(parts_.Formats, parts_.Boxes, pnlFormat);
    ParameterPanel->setObjectName("ParameterPanel");
    params->addWidget(ParameterPanel);
    connect(CatalogPanel, &TCatalogPanel::FormatChanged, ParameterPanel, &TParameterPanel::Load);

    for (QLineEdit* box : {edDirectory, CatalogPanel->edt1}) {
        QPalette background = box->palette();
        background.setColor(QPalette::Base, QColor(246, 247, 248));
        box->setPalette(background);
    }

    jobList_ = new TJobListPart(lvFiles, parts_.Converter, parts_.Formats, settingsPath, parts_.Boxes,
                                DefaultKestruneDir(), ExecutableLibraryFolder(), this);
    jobList_->SetOpenFileDialog(&parts_.OpenDialog);
    connect(jobList_, &TJobListPart::JobsAdded, this, [this] {
        btnStart->setEnabled(true);
        btnClear->setEnabled(true);
        btnRemove->setEnabled(true);
    });
    connect(jobList_, &TJobListPart::ListEmptied, PreviewPanel, &TPreviewPanel::imgbtnStopClick);
    connect(jobList_, &TJobListPart::AddFinished, this, &TfrmMain::ShowStoredOutputDir);
    connect(PreviewPanel, &TPreviewPanel::LogLine, mmoLog, &QPlainTextEdit::appendPlainText);
    batch_ = new TMainBatchPart(this, parts_, jobList_->Model(), *PreviewPanel, *ParameterPanel, snapshots_,
                                PreviewFrame, [this](bool on) {
                                    for (QPushButton* b : {btnAdd, btnRemove, btnClear, btnStart})
                                        b->setEnabled(on);
                                });
    connect(CatalogPanel, &TCatalogPanel::FormatChanged, batch_, &TMainBatchPart::RefreshDestinationsSoon);
}

void TfrmMain::ConnectCommands() {
    for (QAction* a : {miAdd, pmAdd})
        connect(a, &QAction::triggered, this, &TfrmMain::btnAddClick);
    for (QAction* a : {miRemove, pmRemove})
        connect(a, &QAction::triggered, this, &TfrmMain::btnRemoveClick);
    for (QAction* a : {miClear, pmClear})
        connect(a, &QAction::triggered, this, &TfrmMain::btnClearClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmMain::btnAddClick);
    connect(btnRemove, &QPushButton::clicked, this, &TfrmMain::btnRemoveClick);
    connect(btnClear, &QPushButton::clicked, this, &TfrmMain::btnClearClick);
    connect(miCheckAll, &QAction::triggered, this, [this] { jobList_->Model().CheckAll(true); });
    connect(miUncheckAll, &QAction::triggered, this, [this] { jobList_->Model().CheckAll(false); });
    connect(miReverseCheck, &QAction::triggered, this, [this] { jobList_->Model().ReverseCheck(); });
    connect(miCheck, &QAction::triggered, this, [this] { jobList_->CheckSelected(true); });
    connect(miUncheck, &QAction::triggered, this, [this] { jobList_->CheckSelected(false); });
    connect(mnuEdit, &QMenu::aboutToShow, this, &TfrmMain::mnuEditPopup);
    connect(pmFiles, &QMenu::aboutToShow, this, &TfrmMain::pmFilesPopup);

    connect(edDirectory, &QLineEdit::textEdited, this, &TfrmMain::edDirectoryChange);
    connect(btnBrows, &QPushButton::clicked, this, &TfrmMain::btnBrowsClick);
    connect(btnOpen, &QPushButton::clicked, this, &TfrmMain::btnOpenClick);
    for (QPushButton* b : {btnStart, SpeedButton1})
        connect(b, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
    for (QAction* a : {miStart, pmStart})
        connect(a, &QAction::triggered, this, &TfrmMain::btnStartClick);
    connect(lvFiles, &QAbstractItemView::doubleClicked, PreviewPanel, &TPreviewPanel::imgbtnPlayClick);

    connect(miHelp, &QAction::triggered, this, [this] { parts_.System.OpenAddress(globalObj_->HelpUrl()); });
    connect(miWebSite, &QAction::triggered, this,
            [this] { parts_.System.OpenAddress(globalObj_->WebSiteUrl()); });
    connect(miSupport, &QAction::triggered, this, [this] { parts_.System.OpenAddress(kSupportUrl); });
    connect(miAbout, &QAction::triggered, this, [this] { parts_.Dialogs.ShowAbout(); });
    miAbout->setEnabled(parts_.Dialogs.Available(TMainDialog::About));
    connect(miPreference, &QAction::triggered, this, [this] { parts_.Dialogs.ShowPreference(); });
    miPreference->setEnabled(parts_.Dialogs.Available(TMainDialog::Preference));
    connect(pmVideoInfo, &QAction::triggered, this, [this] {
        if (jobList_->HasSelectedJob())
            parts_.Dialogs.ShowFileInfo(jobList_->Model().Job(jobList_->SelectedRow()).SourceFile);
    });
    connect(miSettings, &QAction::triggered, this, [this] {
        // The dialog's catalog starts as this one is; its Ok wrote the choices this refill reads.
        CatalogPanel->SaveState();
        parts_.Dialogs.ShowSettings();
        CatalogPanel->Fill();
    });
    const std::pair<QAction*, TMainDialog> editors[] = {
        {miCrop, TMainDialog::Crop},         {pmCrop, TMainDialog::Crop},
        {miTrim, TMainDialog::Trim},         {pmTrim, TMainDialog::Trim},
        {miEffects, TMainDialog::Watermark}, {pmEffects, TMainDialog::Watermark}};
    for (const auto& [action, dialog] : editors)
        connect(action, &QAction::triggered, this, [this, dialog = dialog] { EditSelectedJob(dialog); });

    for (QAction* a : {miApplyEdits, pmApplyEdits})
        connect(a, &QAction::triggered, this, &TfrmMain::ApplyEditsClick);
    connect(miShortcuts, &QAction::triggered, this, [this] { TfrmShortcuts(this).exec(); });
    SetShortcutKeys();
}

// The window-wide keys, from the one table the "Keyboard Shortcuts" list shows. The pop-up
// menu's item is also the window's, so its key works while the menu is closed.
void TfrmMain::SetShortcutKeys() {
    auto keys = [](TKeyCommand command) {
        return QKeySequence::listFromString(QString::fromStdString(ShortcutKeys(command)));
    };
    miAdd->setShortcuts(keys(TKeyCommand::Add));
    miStart->setShortcuts(keys(TKeyCommand::Start));
    pmVideoInfo->setShortcuts(keys(TKeyCommand::FileInfo));
    addAction(pmVideoInfo);
}

void TfrmMain::btnAddClick() {
    const bool added = jobList_->btnAddClick();
    const bool play = std::exchange(PlayAfterAdd, false);
    if (added && play && jobList_->RowCount() > 0) PreviewPanel->imgbtnPlayClick();
}

void TfrmMain::btnStartClick() {
    batch_->btnStartClick();
    ShowStoredOutputDir();
}

void TfrmMain::btnRemoveClick() {
    jobList_->btnRemoveClick();
}

void TfrmMain::btnClearClick() {
    jobList_->btnClearClick();
}

bool TfrmMain::ListEmpty() const {
    return jobList_->RowCount() == 0;
}

std::string TfrmMain::FileToPreview() {
    int row = jobList_->SelectedRow();
    if (row < 0) {
        row = 0;
        jobList_->SelectRow(0);
    }
    return jobList_->Model().Job(row).SourceFile;
}

void TfrmMain::AddThenPlay() {
    PlayAfterAdd = true;
    btnAddClick();
}

void TfrmMain::EditSelectedJob(TMainDialog dialog) {
    if (!jobList_->HasSelectedJob()) return;
    PreviewPanel->imgbtnStopClick(); // through the panel, so its buttons show the stop
    const int row = jobList_->SelectedRow();
    const TlvFilesRecord& job = jobList_->Model().Job(row);
    std::optional<TlvFilesRecord> edited = dialog == TMainDialog::Trim   ? parts_.Dialogs.EditTrim(job)
                                           : dialog == TMainDialog::Crop ? parts_.Dialogs.EditCrop(job)
                                                                         : parts_.Dialogs.EditWatermark(job);
    if (!edited) return; // written only on Ok
    jobList_->Model().SetJob(row, *edited);
}

void TfrmMain::ApplyEditsClick() {
    if (!jobList_->HasSelectedJob()) return;
    TfrmApplyEdits ask(this);
    if (ask.exec() != QDialog::Accepted) return;
    std::vector<int> rows = jobList_->SelectedRows();
    if (ask.AllRows()) {
        rows.clear();
        for (int row = 0; row < jobList_->RowCount(); ++row)
            rows.push_back(row);
    }
    jobList_->Model().ApplyEdits(jobList_->SelectedRow(), rows, ask.WithTrim());
}

// An item whose dialog this build lacks stays disabled.
void TfrmMain::mnuEditPopup() {
    const bool on = jobList_->HasSelectedJob();
    for (QAction* a : mnuEdit->actions())
        if (!a->isSeparator()) a->setEnabled(on);
    miCrop->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Crop));
    miTrim->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Trim));
    miEffects->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Watermark));
    miApplyEdits->setEnabled(on && jobList_->RowCount() > 1);
}

void TfrmMain::pmFilesPopup() {
    const bool on = jobList_->HasSelectedJob();
    for (QAction* a : {pmRemove, pmClear, pmStart})
        a->setEnabled(on);
    pmCrop->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Crop));
    pmTrim->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Trim));
    pmEffects->setEnabled(on && parts_.Dialogs.Available(TMainDialog::Watermark));
    pmApplyEdits->setEnabled(on && jobList_->RowCount() > 1);
    pmVideoInfo->setEnabled(on && parts_.Dialogs.Available(TMainDialog::FileInfo));
    pmAdd->setEnabled(true);
}

void TfrmMain::edDirectoryChange() {
    parts_.Settings.SetOutPutDir(edDirectory->text().toStdString());
    batch_->RefreshDestinationsSoon();
}

// Naming an output falls back to the default folder (and stores it) when the typed one cannot
// be made: the box shows the folder the files really go to.
void TfrmMain::ShowStoredOutputDir() {
    const QString stored = QString::fromStdString(parts_.Settings.OutPutDir());
    if (edDirectory->text() != stored) edDirectory->setText(stored);
}

void TfrmMain::btnBrowsClick() {
    const std::optional<std::string> folder = parts_.Folders.ChooseFolder();
    if (!folder || folder->empty() || QString::fromStdString(*folder) == edDirectory->text()) return;
    parts_.Settings.SetOutPutDir(*folder);
    edDirectory->setText(QString::fromStdString(*folder));
}

void TfrmMain::btnOpenClick() {
    if (edDirectory->text().size() <= 2) return;
    parts_.System.OpenFolder(ExpandHomeFolder(parts_.Settings.OutPutDir()));
}

// A failure is only logged: adding files reports nothing either when the libraries are missing.
void TfrmMain::LoadPlayerLibraries() {
    if (!player_->LoadLibraries(ExecutableLibraryFolder()))
        mmoLog->appendPlainText(QString::fromStdString(player_->LastErrorMessage()));
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmMain::FormShow() {
    PreviewFrame = std::make_unique<Bitmap24>();

    const TAppSettings& settings = parts_.Settings;
    edDirectory->setText(QString::fromStdString(settings.OutPutDir()));
    CurrentFormatCode = settings.FormatCodeAtShow();
    CurrentFormatName = settings.FormatNameAtShow();
    PreviewPanel->RestoreVolume();

    jobList_->SetUpColumns();
    KeepColumnWidthsSaved(*lvFiles->header(), parts_.Paths.SettingsIniPath, kJobListColumnsKey);

    globalObj_->SetVersionText(TGlobalObject::GetFileVersionText());
    setWindowTitle(QString::fromStdString(globalObj_->ProductName() + globalObj_->VersionText()));

    CatalogPanel->Fill(); // fills the catalog model, then the selectors for its format
}

void TfrmMain::SkinItemClick(int index) {
    if (!IsColorScheme(index) || !globalObj_) return;
    if (index == checkedSkin_) return; // the checked item changes nothing
    checkedSkin_ = index;
    // Hidden while every control takes the new look, so no half-styled window shows.
    const bool wasVisible = isVisible();
    hide();
    ApplyColorScheme(index);
    miSkins[static_cast<std::size_t>(index)]->setChecked(true);
    if (wasVisible) show();
    parts_.Settings.SetSkinIndex(index);
}

bool TfrmMain::FormCloseQuery() {
    if (!globalObj_) return true; // already closed once; nothing is left to release
    if (!ExitWithoutAsking && parts_.Boxes.Show("Do you really want to exit?", "Warning", TMsgIcon::Question,
                                                TMsgButtons::YesNo) != TMsgResult::Yes)
        return false;
    parts_.Catalog.SaveState();
    // Detached first, so the stop's termination reports reach no handler of this window.
    parts_.Converter.DetachEvents();
    parts_.Converter.Stop(true);
    player_->Stop(false);
    PreviewFrame.reset();
    TaskItems.Clear();
    SetGlobalObject(nullptr);
    globalObj_.reset();
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        SaveColumnWidths(*lvFiles->header(), parts_.Paths.SettingsIniPath, kJobListColumnsKey);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace orvel
