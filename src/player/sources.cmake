# The player: orvel_player (FFmpeg and SDL2, never Qt).
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(PLAYER player
  AudioOutput.h AudioOutput.cpp
  DisplaySurface.h DisplaySurface.cpp
  EventRing.h EventRing.cpp
  FFPlay.h FFPlay.cpp
  MediaPlayer.h
  PacketQueue.h PacketQueue.cpp
  Playback.h Playback.cpp
  PlaybackHost.h
  PlayerArbiter.h PlayerArbiter.cpp
  PlayerThreads.h
  PlayerTypes.h
  Presentation.cpp
  Signal.h
)
