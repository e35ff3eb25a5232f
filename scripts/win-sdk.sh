#!/usr/bin/env bash
# Unpacks the Windows SDK (Qt 6.4.2 and qrcodegen for MinGW-w64) into a build folder once,
# after checking it against its SHA-256: win-sdk.sh SDK_FOLDER DESTINATION.
# Without the SDK it says so: the Windows build then makes only the Qt-free units.
set -euo pipefail
source_dir=$1
destination=$2
if [ ! -f "$source_dir/SHA256SUMS" ]; then
  echo "Windows program tests skipped: no Windows SDK at $source_dir (Qt for MinGW-w64);" \
    "only the Qt-free Windows units are built and tested."
  exit 0
fi
source_dir=$(cd "$source_dir" && pwd)
sums=$(cat "$source_dir/SHA256SUMS")
[ "$(cat "$destination/.unpacked" 2>/dev/null)" = "$sums" ] && exit 0
(cd "$source_dir" && sha256sum --quiet -c SHA256SUMS)
rm -rf "$destination"
mkdir -p "$destination"
while read -r _ tarball; do
  tar -C "$destination" -xJf "$source_dir/$tarball"
done < "$source_dir/SHA256SUMS"
echo "$sums" > "$destination/.unpacked"
