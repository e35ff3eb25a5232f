#!/usr/bin/env bash
# Writes the NSIS lines that remove exactly what the installer puts into $INSTDIR: each file of
# the program folder, then its folders, deepest first (RMDir leaves a folder that still holds
# someone else's files).
#   installed-files.sh DEPLOY_DIR OUT_FILE
set -euo pipefail
deploy=$1 out=$2
{
  (cd "$deploy" && find . -type f | LC_ALL=C sort) | while IFS= read -r file; do
    printf 'Delete "$INSTDIR\\%s"\n' "$(printf '%s' "${file#./}" | tr / '\\')"
  done
  (cd "$deploy" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r dir; do
    printf 'RMDir "$INSTDIR\\%s"\n' "$(printf '%s' "${dir#./}" | tr / '\\')"
  done
} > "$out.new"
mv "$out.new" "$out"
