# The ground floor of the application: the settings store, atomic file writes, message boxes,
# the error handler, global paths, snapshots and the file-dialog interfaces; every subsystem may
# use it and it uses only the media libraries. orvel_core.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE app/store
  AppSettings.h AppSettings.cpp
  AtomicFile.h AtomicFile.cpp
  DialogRoles.h
  ErrorHandler.h ErrorHandler.cpp
  FolderChooser.h
  GlobalObject.h GlobalObject.cpp
  IniFile.h IniFile.cpp
  MessageBoxes.h MessageBoxes.cpp
  OpenFileDialog.h
  Snapshots.h Snapshots.cpp
  SystemActions.h SystemActions.cpp
  WindowPlacement.h WindowPlacement.cpp
)
