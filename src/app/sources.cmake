# The application shell: its logic in orvel_core, its windows in orvel_gui. main.cpp, which
# builds the program, is not listed here.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE app
  AddFileFilters.h AddFileFilters.cpp
  AppSettings.h AppSettings.cpp
  AtomicFile.h AtomicFile.cpp
  ErrorHandler.h ErrorHandler.cpp
  FileInfoModel.h FileInfoModel.cpp
  FolderRules.h FolderRules.cpp
  GlobalObject.h GlobalObject.cpp
  IniFile.h IniFile.cpp
  JobAdder.h JobAdder.cpp
  JobListModel.h JobListModel.cpp
  LibraryVersions.h LibraryVersions.cpp
  MainDialogs.h MainDialogs.cpp
  MessageBoxes.h MessageBoxes.cpp
  PreferenceModel.h PreferenceModel.cpp
  PreviewPanelModel.h PreviewPanelModel.cpp
  Snapshots.h Snapshots.cpp
)
orvel_list(GUI app/windows
  fmMessageBoxes.h fmMessageBoxes.cpp
  frmAbout.h frmAbout.cpp
  frmCover.h frmCover.cpp
  frmMain.h frmMain.cpp
  JobListPart.h JobListPart.cpp
  MainBatchPart.h MainBatchPart.cpp
  PreviewPanel.h PreviewPanel.cpp
)
