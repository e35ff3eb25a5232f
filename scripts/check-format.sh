#!/usr/bin/env bash
# Fails, naming them, when clang-format would change any C++ file of the tree.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -ne 0 ]; then
  printf 'clang-format would change: %s\n' "${bad[@]}" >&2
  echo "run: clang-format -i FILE" >&2
  exit 1
fi
echo "clang-format: ${#files[@]} files as they should be"
