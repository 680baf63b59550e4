# The conversion engine: part of orvel_media (FFmpeg only, never Qt), in five rooms.
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

# The library foundation: handles, loader, logger, codec lock, Unicode protocol, utilities.
orvel_list(MEDIA engine/foundation
  AVHandles.h
  CodecLock.h CodecLock.cpp
  FFmpegException.h
  FFmpegLoader.h FFmpegLoader.cpp
  FFmpegLogger.h FFmpegLogger.cpp
  FFUtils.h FFUtils.cpp
  StreamChoice.h StreamChoice.cpp
  StringUtils.h
  UnicodeProtocol.h UnicodeProtocol.cpp
)
# Options: the parser, presets, targets and codec names.
orvel_list(MEDIA engine/options
  CodecNames.h CodecNames.cpp
  OptionParser.h OptionParser.cpp
  Presets.h Presets.cpp
  Targets.h Targets.cpp
)
# The component: converter, tasks, their threads, settings and state, the dispatcher.
orvel_list(MEDIA engine/component
  ActingFor.h ActingFor.cpp
  ConverterOptions.h
  CustomFFmpeg.h CustomFFmpeg.cpp
  FFmpeg.h FFmpeg.cpp
  FFmpegConverter.h FFmpegConverter.cpp
  MainThreadDispatcher.h MainThreadDispatcher.cpp
  PauseGate.h
  TaskSettings.h
  TaskState.h
)
# One run: opening, preparation, the transcode loop and the pipelined run, encoding, progress.
orvel_list(MEDIA engine/run
  AudioEncoding.cpp
  CustomHook.cpp
  InputOpener.cpp
  OutputOpener.cpp
  PipelinedRun.cpp
  ProgressReport.cpp
  RunPreparation.cpp
  RunState.h
  StageQueue.h
  TranscodeLoop.h TranscodeLoop.cpp
  VideoEncoding.cpp
  VideoFilterGraph.h VideoFilterGraph.cpp
  VideoStats.h VideoStats.cpp
)
# Pictures: bitmaps, the hook conversions, BGR->YUV, strip workers, frame hooks.
orvel_list(MEDIA engine/pictures
  BgrToYuv420.h BgrToYuv420.cpp
  Bitmap24.h
  BitmapConverter.h BitmapConverter.cpp
  FrameHooks.h FrameHooks.cpp
  HookBitmapConverter.h HookBitmapConverter.cpp
  PictureTurner.h PictureTurner.cpp
  StripWorkers.h StripWorkers.cpp
)
