# Editing dialogs and the frame effects: logic in orvel_core, dialogs in orvel_gui.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(CORE editing
  CropModel.h CropModel.cpp
  FrameCopy.h FrameCopy.cpp
  JobDialog.h
  PreviewHook.h PreviewHook.cpp
  PreviewKeys.h PreviewKeys.cpp
  PreviewSeek.h
  TimeTexts.h TimeTexts.cpp
  TrimModel.h TrimModel.cpp
  WaterMarkModel.h WaterMarkModel.cpp
)
orvel_list(CORE editing/effects
  BitmapFile.cpp
  ByteTablePasses.h ByteTablePasses.cpp
  ColorEffects.h ColorEffects.cpp
  EffectsRenderer.h
  JobEffectsRenderer.h JobEffectsRenderer.cpp
  LayerOrder.h
  OverlayPictureFile.cpp
  PictureCache.h PictureCache.cpp
  PixelEffects.cpp
  TextMask.h TextMask.cpp
  WatermarkQtFont.h
  WatermarkFont.h
  WatermarkText.cpp
)
orvel_list(GUI editing/windows
  DialogControls.h
  frmCrop.h frmCrop.cpp
  frmTrim.h frmTrim.cpp
  frmWaterMark.h frmWaterMark.cpp
  JobPreviewDialog.h JobPreviewDialog.cpp
  RectTracker.h RectTracker.cpp
)
