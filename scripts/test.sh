#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then the media and core tests under the
# sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy

# Every tracked source file as clang-format writes it, and every include line within its floors.
"$root/scripts/check-format.sh"
"$root/scripts/check-layers.sh"

# The optimisation of the README's run command (Release), so the program a newcomer builds is
# the one checked free of warnings and tested; -g only adds the debug information for traces.
"$root/scripts/build.sh" build-test -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DCMAKE_C_FLAGS=-g \
  -DORVEL_BUILD_BENCH=ON -DORVEL_WERROR=ON
(cd "$root/build-test" && ctest --output-on-failure --timeout 900 -j"$(nproc)")

"$root/scripts/build.sh" build-asan -DCMAKE_BUILD_TYPE=Debug -DORVEL_SANITIZE=address,undefined \
  -DORVEL_BUILD_GUI=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd "$root/build-asan" && ctest --output-on-failure --timeout 900 -j"$(nproc)")

# The conversion component's, the player's and the Qt dispatcher's threads under the thread
# sanitizer. The windows are configured so the dispatcher's tests exist; only the test programs
# run here are built.
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEL_SANITIZE=thread \
  -DORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-tsan" --parallel "$(nproc)" \
  --target test_engine_ConverterTest test_engine_PipelinedRunTest test_player test_ui_QtMainThreadDispatcherTest
export TSAN_OPTIONS="halt_on_error=1 suppressions=$root/scripts/tsan-suppressions.txt"
(cd "$root/build-tsan" && ctest --output-on-failure --timeout 900 -R '(^|/)(Converter|PipelinedRun)' &&
  ctest --output-on-failure --timeout 900 -L '^player$' &&
  ctest --output-on-failure --timeout 900 -R '^QtMainThreadDispatcherTest\.')

# A minute of fuzzing per target, so every change meets some malformed input.
"$root/scripts/fuzz.sh" probe 60
"$root/scripts/fuzz.sh" convert 60
"$root/scripts/fuzz.sh" player 60
