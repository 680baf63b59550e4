# Shared widgets, delegates and the Qt dispatcher: orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(GUI ui
  ColorSchemes.h ColorSchemes.cpp
  JobRowDelegate.h JobRowDelegate.cpp
  QtMainThreadDispatcher.h QtMainThreadDispatcher.cpp
  SelectionItemDelegate.h SelectionItemDelegate.cpp
  SelectionSlider.h SelectionSlider.cpp
  SelectorCombo.h SelectorCombo.cpp
  VideoPanel.h VideoPanel.cpp
)
