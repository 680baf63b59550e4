# Shared widgets, delegates, the Qt dispatcher and the Qt file dialog: orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(GUI ui
  ColorSchemes.h ColorSchemes.cpp
  JobRowDelegate.h JobRowDelegate.cpp
  QtOpenFileDialog.h QtOpenFileDialog.cpp
  QtMainThreadDispatcher.h QtMainThreadDispatcher.cpp
  SelectionItemDelegate.h SelectionItemDelegate.cpp
  SelectionSlider.h SelectionSlider.cpp
  VideoPanel.h VideoPanel.cpp
  WindowGeometry.h WindowGeometry.cpp
)
