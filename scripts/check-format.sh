#!/usr/bin/env bash
# Fails when a tracked C++ file is not as clang-format (the root style file) writes it, and
# names the file and line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --style=file --dry-run --Werror
else
  find src tests bench -name '*.cpp' -o -name '*.h' -print0 | xargs -0 -r clang-format --style=file --dry-run --Werror
fi
