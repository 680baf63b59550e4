# Format catalog, parameter store and option builder: logic in orvel_core, panels in orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE formats
  CatalogPanelModel.h CatalogPanelModel.cpp
  FormatCatalog.h FormatCatalog.cpp
  FormatListModel.h FormatListModel.cpp
  FormatParams.h FormatParams.cpp
  DeviceCompliance.h DeviceCompliance.cpp
  H264Levels.h H264Levels.cpp
  OptionBuilder.h OptionBuilder.cpp
  ParameterPanelModel.h ParameterPanelModel.cpp
  SettingsDialogModel.h SettingsDialogModel.cpp
)
orvel_list(GUI formats/windows
  CatalogPanel.h CatalogPanel.cpp
  CategoryIcons.h CategoryIcons.cpp
  frmSettings.h frmSettings.cpp
  ParameterPanel.h ParameterPanel.cpp
  SelectorCombo.h SelectorCombo.cpp
)
