#!/usr/bin/env bash
# Keeps the floors of src/ (ARCHITECTURE.md): prints every include line that reaches a floor it
# must not, with the rule it breaks, and fails when there is one.
#   check-layers.sh [SRC_DIR]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$root/src}
cd "$src" || exit 2

status=0
# forbid RULE FILES INCLUDES [EXCEPT_FILES] [EXCEPT_INCLUDES]
# No project include ("folder/File.h") of a file whose path matches FILES may match INCLUDES,
# unless the file matches EXCEPT_FILES or the include EXCEPT_INCLUDES. Extended regular
# expressions; paths are relative to src/, includes are matched from their opening quote.
forbid() {
  local rule=$1 files=$2 includes=$3 exceptFiles=${4:-'^$'} exceptIncludes=${5:-'^$'}
  local hits
  hits=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | grep -E "$files" | grep -Ev "$exceptFiles" |
    sort | xargs -r grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($includes)" |
    grep -Ev "#[[:space:]]*include[[:space:]]*\"($exceptIncludes)" || true)
  if [ -n "$hits" ]; then
    while IFS= read -r line; do echo "src/$line   <- $rule"; done <<<"$hits"
    status=1
  fi
}

# The shell is app/ without its ground floor app/store/.
store='app/store/'
forbid "the media and player libraries include only media folders" \
  '^(engine|probe|player)/' '(app|formats|batch|editing|auxiliary|ui|cli)/'
# main.cpp builds the desktop program from every library, windows included.
forbid "core files include no window header" \
  '^(app|formats|batch|editing|auxiliary|cli)/' '(ui/|([^"]*/)?windows/)' '((^|/)windows/|^app/main\.cpp$)'
forbid "the ground floor (app/store) includes only itself and the media folders" \
  "^$store" '(app|formats|batch|editing|auxiliary|ui|cli)/' '^$' "$store"
forbid "the effects include nothing from the batch or the shell" \
  '^editing/effects/' '(batch|app)/' '^$' "$store"
forbid "only the shell includes the shell" \
  '.' 'app/' '^app/' "$store"

if [ $status -ne 0 ]; then
  echo "check-layers: the include lines above break the floors (see ARCHITECTURE.md)" >&2
fi
exit $status
