# Batch conversion: logic in orvel_core, the progress window in orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE batch
  BatchController.h BatchController.cpp
  BatchHost.h
  ConversionHook.h ConversionHook.cpp
  Destination.h Destination.cpp
  LivePicture.h LivePicture.cpp
  lvFilesRecord.h lvFilesRecord.cpp
  ProgressModel.h ProgressModel.cpp
)
orvel_list(GUI batch/windows
  frmProgress.h frmProgress.cpp
)
