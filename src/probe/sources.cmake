# The media probe: part of orvel_media (FFmpeg only, never Qt).
# Every source file is listed here; the root CMakeLists.txt checks the lists against the folder.

orvel_list(MEDIA probe
  AVProbe.h AVProbe.cpp
  BlackBars.h BlackBars.cpp
)
