# The top floor: the main window, its parts and the wiring of every dialog. Its logic in
# orvel_core, its windows in orvel_gui; main.cpp, which builds the program, is not listed here.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE app
  AddFileFilters.h AddFileFilters.cpp
  JobAdder.h JobAdder.cpp
  JobListModel.h JobListModel.cpp
  KeyboardShortcuts.h KeyboardShortcuts.cpp
  LibraryVersions.h LibraryVersions.cpp
  MainDialogs.h MainDialogs.cpp
  PreviewPanelModel.h PreviewPanelModel.cpp
)
orvel_list(GUI app/windows
  DesktopDialogs.h DesktopDialogs.cpp
  fmMessageBoxes.h fmMessageBoxes.cpp
  frmAbout.h frmAbout.cpp
  frmApplyEdits.h frmApplyEdits.cpp
  frmCover.h frmCover.cpp
  frmMain.h frmMain.cpp
  frmShortcuts.h frmShortcuts.cpp
  JobListPart.h JobListPart.cpp
  MainBatchPart.h MainBatchPart.cpp
  PreviewPanel.h PreviewPanel.cpp
)
