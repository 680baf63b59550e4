#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the address and undefined-behaviour
# sanitizers, writes the seed clips, and runs one target: fuzz.sh TARGET SECONDS [cmake options]
# TARGET is probe, convert or player. Inputs that crash, leak or hang land in build-fuzz/artifacts/TARGET/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 2 ]; then
  echo "usage: $0 probe|convert|player SECONDS [cmake options]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
case $target in
  probe | convert | player) ;;
  *) echo "unknown fuzz target: $target (probe, convert or player)" >&2; exit 2 ;;
esac

build=$root/build-fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORVEL_SANITIZE=fuzzer-no-link,address,undefined -DORVEL_MEDIA_ONLY=ON \
  -DORVEL_BUILD_TESTS=OFF -DORVEL_BUILD_FUZZ=ON "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target fuzz_seeds "fuzz_$target"

# The seeds are written fresh from the fixture generator; the corpus keeps what the runs found.
seeds=$build/seeds
[ -d "$seeds" ] || "$build/fuzz/fuzz_seeds" "$seeds"
corpus=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$corpus" "$artifacts"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# A slow input must show as a hang and a greedy one as out-of-memory, not stall the run.
"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds"
