#!/usr/bin/env bash
# Keeps the floors of src/: prints every include line that reaches a floor it must not, with
# the rule it breaks, and fails when there is one. Run from anywhere: check-layers.sh [SRC_DIR]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$root/src}
cd "$src" || exit 2

status=0
# forbid RULE FILE_PATTERN INCLUDE_PATTERN [EXCEPT_FILE_PATTERN]
# Every project include ("folder/File.h") of a file whose path matches FILE_PATTERN must not
# match INCLUDE_PATTERN (both extended regular expressions, paths relative to src/).
forbid() {
  local rule=$1 files=$2 includes=$3 except=${4:-'^$'}
  local hits
  hits=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | grep -E "$files" | grep -Ev "$except" |
    sort | xargs -r grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($includes)" || true)
  if [ -n "$hits" ]; then
    while IFS= read -r line; do echo "src/$line   <- $rule"; done <<<"$hits"
    status=1
  fi
}

core_folders='base|formats|batch|editing|auxiliary|shell|ui|cli'
forbid "the media and player libraries include only media folders" \
  '^(engine|probe|player)/' "($core_folders)/"
# main.cpp builds the desktop program from every library, windows included.
forbid "core files include no window header" \
  '^(base|formats|batch|editing|auxiliary|shell|cli)/' '(ui/|([^"]*/)?windows/)' '((^|/)windows/|^shell/main\.cpp$)'
forbid "the ground floor includes only itself and the media folders" \
  '^base/' '(formats|batch|editing|auxiliary|shell|ui|cli)/'
forbid "the effects include nothing from the batch or the shell" \
  '^editing/effects/' '(batch|shell)/'
forbid "only the shell includes the shell" \
  '.' 'shell/' '^shell/'

if [ $status -ne 0 ]; then
  echo "check-layers: the include lines above break the floors (see ARCHITECTURE.md)" >&2
fi
exit $status
