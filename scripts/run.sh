#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release -DORVEL_BUILD_TESTS=OFF
exec "$root/build/orvel-video-converter" "$@"
