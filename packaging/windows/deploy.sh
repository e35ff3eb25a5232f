#!/usr/bin/env bash
# Assembles the Windows program folder, as a user gets it, from the Windows build:
#   deploy.sh BIN_DIR SDK_DIR QML_SOURCE_DIR OUT_DIR
# It holds Vidlet.exe, softcam.dll, vidlet-mfcamera.dll and vidlet-regtool.exe, the Qt plugins the program loads by
# name (platform, TLS for the update check, image formats, style), the QML modules that our QML
# imports (found by Qt's import scanner) and every DLL that any of these imports, followed from
# file to file: each either comes from the SDK's bin folder or is part of Windows.
#   deploy.sh --check OUT_DIR   checks a folder without changing it; exit 1 on a missing DLL or
#                               QML module.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
scanner=${QMLIMPORTSCANNER:-/usr/lib/qt6/libexec/qmlimportscanner}
# Windows' own DLLs, one name a line, in lower case.
system_dlls=$here/system-dlls.txt

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'; }

is_system() { grep -qxF "$1" "$system_dlls"; }

# Every DLL imported by a file of the folder is in its root or is Windows' own; every
# module that a deployed qmldir imports or depends on is deployed too.
check() {
  local out=$1 missing=0 file dll module
  while IFS= read -r -d '' file; do
    for dll in $(imports "$file"); do
      if ! is_system "$dll" && [ -z "$(find "$out" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
        echo "missing: ${file#"$out"/} imports $dll" >&2
        missing=1
      fi
    done
  done < <(find "$out" -type f \( -iname '*.dll' -o -iname '*.exe' \) -print0)
  while IFS= read -r -d '' file; do
    for module in $(sed -n -E 's/^(import|depends)\s+([A-Za-z0-9_.]+).*/\2/p' "$file"); do
      [ -f "$out/qml/${module//.//}/qmldir" ] && continue
      echo "missing: QML module $module (required by ${file#"$out"/})" >&2
      missing=1
    done
  done < <(find "$out/qml" -name qmldir -print0)
  return $missing
}

if [ "$1" = "--check" ]; then
  check "$2"
  exit
fi

bin=$1 sdk=$2 qml_source=$3 out=$4
rm -rf "$out"
mkdir -p "$out"
for program in Vidlet.exe softcam.dll vidlet-mfcamera.dll vidlet-regtool.exe; do
  # The debugging information stays in the build folder.
  "${STRIP:-x86_64-w64-mingw32-strip}" --strip-debug -o "$out/$program" "$bin/$program"
done

for plugin in platforms/qwindows.dll tls/qschannelbackend.dll styles/qwindowsvistastyle.dll \
  imageformats/qgif.dll imageformats/qico.dll imageformats/qjpeg.dll; do
  mkdir -p "$out/plugins/$(dirname "$plugin")"
  cp "$sdk/plugins/$plugin" "$out/plugins/$plugin"
done

# The window's QML as the build compiles it: Qt 6.4 draws the shadow itself (Shadow_drawn), so
# QtQuick.Effects, which only the 6.5 variant imports, is not needed. "Vidlet" is our own module,
# registered by the program.
qml_files=$(find "$qml_source" -name '*.qml' ! -name 'Shadow_effects.qml')
# shellcheck disable=SC2086
"$scanner" -qmlFiles $qml_files -importPath "$sdk/qml" | python3 -c '
import json, sys
for module in json.load(sys.stdin):
    if module.get("type") == "module" and module.get("path"):
        print(module["path"])
' | while read -r path; do
  relative=${path#"$sdk/qml/"}
  mkdir -p "$out/qml/$relative"
  # The module's own files; nested folders are modules of their own, copied when imported.
  find "$path" -maxdepth 1 -type f ! -name '*.debug' -exec cp {} "$out/qml/$relative/" \;
done

printf '[Paths]\nPrefix = .\nPlugins = plugins\nQmlImports = qml\n' > "$out/qt.conf"

# The DLLs, followed until nothing new is imported.
while :; do
  added=0
  while IFS= read -r -d '' file; do
    for dll in $(imports "$file"); do
      is_system "$dll" && continue
      [ -n "$(find "$out" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
      source=$(find "$sdk/bin" -maxdepth 1 -iname "$dll" -print -quit)
      if [ -z "$source" ]; then
        echo "deploy: ${file#"$out"/} imports $dll, which is neither Windows' nor the SDK's" >&2
        exit 1
      fi
      cp "$source" "$out/"
      added=1
    done
  done < <(find "$out" -type f \( -iname '*.dll' -o -iname '*.exe' \) -print0)
  [ $added -eq 0 ] && break
done
check "$out"
