# The auxiliary windows (file information, preferences, folder chooser): models in orvel_core,
# windows in orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE auxiliary
  FileInfoModel.h FileInfoModel.cpp
  FolderRules.h FolderRules.cpp
  PreferenceModel.h PreferenceModel.cpp
)
orvel_list(GUI auxiliary/windows
  fmDirectory.h fmDirectory.cpp
  frmFileInfo.h frmFileInfo.cpp
  frmPreference.h frmPreference.cpp
)
