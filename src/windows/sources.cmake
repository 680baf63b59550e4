# The auxiliary windows (file information, preferences, folder chooser, settings): orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(GUI windows
  fmDirectory.h fmDirectory.cpp
  FolderChooser.h
  frmFileInfo.h frmFileInfo.cpp
  frmPreference.h frmPreference.cpp
  OpenFileDialog.h
  QtOpenFileDialog.h QtOpenFileDialog.cpp
)
