#!/usr/bin/env bash
# The installer as a user or an administrator's script runs it: silent install (/S) into
# Program Files, then silent uninstall, checking files, shortcut and registry after each.
#   Installer.sh SETUP_EXE SIGNING_CA
set -uo pipefail
setup=$1 ca=$2
folder="$WINEPREFIX/drive_c/Program Files/Vidlet"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vidlet.lnk"
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidlet'
cameraKey='HKCR\CLSID\{276143AA-B755-440E-834A-93CDEBCA334B}\InprocServer32'
mediaSourceKey='HKLM\SOFTWARE\Classes\CLSID\{1CEE0E55-073D-4610-87A8-E8B0B8C727A1}\InprocServer32'
failed=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }
# A value of the 64-bit registry view, as `reg query` prints it; empty when absent.
value() { wine reg query "$1" /v "$2" /reg:64 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
key_exists() { wine reg query "$1" /reg:64 >/dev/null 2>&1; }
# A key's default value, likewise.
default_value() {
  wine reg query "$1" /ve /reg:64 2>/dev/null | tr -d '\r' | sed -n 's/^ *([^)]*) *REG_[A-Z_]* *//p'
}

[ -f "$setup" ] || { echo "no installer at $setup"; exit 1; }
echo "installer: $(($(stat -c %s "$setup") / 1024)) KiB"
start=$(date +%s%N)
wine "$setup" /S
wineserver -w
echo "silent install took $((($(date +%s%N) - start) / 1000000)) ms"
# The install's Wine has ended; the registry is read through a new one, started here once so
# that the first reading does not meet the old one on its way out.
wine cmd /c exit >/dev/null 2>&1

for file in Vidlet.exe softcam.dll vidlet-mfcamera.dll vidlet-regtool.exe Uninstall.exe qt.conf Qt6Quick.dll \
  plugins/platforms/qwindows.dll plugins/tls/qschannelbackend.dll qml/QtQuick/qmldir; do
  check "installed $file" test -f "$folder/$file"
done
check "Start menu entry" test -f "$shortcut"
check "uninstaller signed" osslsigncode verify -CAfile "$ca" -in "$folder/Uninstall.exe"
displayName=$(value "$uninstallKey" DisplayName)
check "Apps & features: DisplayName ($displayName)" test "$displayName" = Vidlet
check "Apps & features: DisplayVersion" test "$(value "$uninstallKey" DisplayVersion)" = 1.1
for name in Publisher DisplayIcon UninstallString EstimatedSize; do
  check "Apps & features: $name" test -n "$(value "$uninstallKey" "$name")"
done
check "camera class registered in the 64-bit view" key_exists "$cameraKey"
check "HKLM\\SOFTWARE\\Vidlet CameraVersion" test "$(value 'HKLM\SOFTWARE\Vidlet' CameraVersion)" = 1.1
path=$(value 'HKLM\SOFTWARE\Vidlet' CameraPath)
check "HKLM\\SOFTWARE\\Vidlet CameraPath ($path)" test "$path" = 'C:\ProgramData\Vidlet\softcam-1.1.dll'
server=$(default_value "$mediaSourceKey")
check "media source class registered machine-wide ($server)" \
  test "$server" = 'C:\ProgramData\Vidlet\vidlet-mfcamera-1.1.dll'
check "media source free threaded" test "$(value "$mediaSourceKey" ThreadingModel)" = Both
echo "skipped: firewall rule (Wine's firewall objects store no rules; tested against test objects in WinFirewallRulesTest)"
echo "skipped: consent prompt (Wine runs every program as an administrator and never asks)"

# An upgrade over a running Vidlet: the installer asks it to quit, as its menu would, and
# replaces the files once it has ended (Windows would refuse to replace them before). A Vidlet
# that kept running would keep `wineserver -w` waiting.
source "$(dirname "$0")/loopback.sh"
scratch=$(mktemp -d)
port=$(free_port)
wine "$folder/Vidlet.exe" --port "$port" >"$scratch/vidlet.log" 2>&1 &
running=$!
check "Vidlet running before the upgrade" wait_for 120 listening "$port"
wine "$setup" /S
timeout 120 wineserver -w
check "the running Vidlet quit for the upgrade" grep -q "quitting, as another start asked" "$scratch/vidlet.log"
check "the running Vidlet has ended" eval '! kill -0 $running 2>/dev/null'
check "upgraded in place" test -f "$folder/Vidlet.exe"
kill $running 2>/dev/null
rm -rf "$scratch"

# The uninstaller removes exactly what was installed: a folder chosen beside other files keeps them.
echo "a note" > "$folder/notes.txt"
echo "not ours" > "$folder/other.dll"
# The uninstaller copies itself away and returns at once; the wineserver waits for it.
wine "$folder/Uninstall.exe" /S
wineserver -w
check "installed files removed" test ! -e "$folder/Vidlet.exe" -a ! -e "$folder/qml" -a ! -e "$folder/plugins"
check "foreign files left untouched" test -f "$folder/notes.txt" -a -f "$folder/other.dll"
rm -rf "$folder"
check "Start menu entry removed" test ! -e "$shortcut"
check "Apps & features entry removed" eval '! key_exists "$uninstallKey"'
check "camera class unregistered" eval '! key_exists "$cameraKey"'
check "HKLM\\SOFTWARE\\Vidlet removed" eval "! key_exists 'HKLM\\SOFTWARE\\Vidlet'"
check "staged camera copy removed" test ! -e "$WINEPREFIX/drive_c/ProgramData/Vidlet/softcam-1.1.dll"
check "media source class unregistered" eval '! key_exists "$mediaSourceKey"'
check "staged media source copy removed" \
  test ! -e "$WINEPREFIX/drive_c/ProgramData/Vidlet/vidlet-mfcamera-1.1.dll"

# An upgrade (the installer run again, silently and without a folder) goes where the user put
# the installed version.
# (NSIS takes /D= unquoted, and Wine quotes an argument that holds a space.)
custom="$WINEPREFIX/drive_c/Apps/Vidlet"
wine "$setup" /S '/D=C:\Apps\Vidlet'
wineserver -w
check "installed into the chosen folder" test -f "$custom/Vidlet.exe"
rm -f "$custom/Vidlet.exe"
wine "$setup" /S
wineserver -w
check "upgrade into the chosen folder" test -f "$custom/Vidlet.exe"
check "upgrade made no second copy" test ! -e "$folder"
wine "$custom/Uninstall.exe" /S
wineserver -w
check "chosen folder removed" test ! -e "$custom"
exit $failed
