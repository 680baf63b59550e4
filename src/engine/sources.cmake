# The conversion engine: part of orvel_media (FFmpeg only, never Qt).
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(MEDIA engine
  ActingThread.h ActingThread.cpp
  AudioOutput.cpp
  AVHandles.h
  Bitmap24.h
  BgrToYuv420.h BgrToYuv420.cpp
  BitmapConverter.h BitmapConverter.cpp
  CodecLock.h CodecLock.cpp
  CodecNames.h CodecNames.cpp
  ConverterOptions.h
  CustomHook.cpp
  FFmpeg.h FFmpeg.cpp
  FFmpegConverter.h FFmpegConverter.cpp
  FFmpegException.h
  FFmpegLoader.h FFmpegLoader.cpp
  FFmpegLogger.h FFmpegLogger.cpp
  FFmpegTask.h FFmpegTask.cpp
  FFUtils.h FFUtils.cpp
  FrameHooks.h FrameHooks.cpp
  HookBitmapConverter.h HookBitmapConverter.cpp
  InputOpener.cpp
  MainThreadDispatcher.h MainThreadDispatcher.cpp
  OptionParser.h OptionParser.cpp
  OutputOpener.cpp
  PauseGate.h
  PipelinedRun.cpp
  Presets.h Presets.cpp
  ProgressReport.cpp
  RunPreparation.cpp
  RunState.h
  StageQueue.h
  StripWorkers.h StripWorkers.cpp
  Targets.h Targets.cpp
  TaskSettings.h
  TaskState.h
  TranscodeLoop.h TranscodeLoop.cpp
  UnicodeProtocol.h UnicodeProtocol.cpp
  VideoFilterGraph.h VideoFilterGraph.cpp
  VideoOutput.cpp
  VideoStats.h VideoStats.cpp
)
