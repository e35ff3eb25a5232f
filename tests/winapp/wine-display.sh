#!/usr/bin/env bash
# Runs a test script against Windows programs under Wine with an X display of its own (Xvfb):
#   wine-display.sh PREFIX SCRIPT [ARGS...]
# Qt Quick needs a display and OpenGL under Wine: Direct3D 11, Qt's choice on Windows, renders
# nothing there (Wine's shader compiler rejects Qt's shaders), and with the threaded render loop
# the program never exits. The wineserver is started inside the display's session, since the
# display is fixed when it starts.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-prefix.sh" "$1"
shift
export QSG_RHI_BACKEND=opengl QSG_RENDER_LOOP=basic
# The one-instance lock of a Vidlet.exe that an earlier run ended with the wineserver. Wine
# numbers processes afresh with each wineserver, so the lock's process id may name a live
# process again and the lock would not count as stale, as it would on Windows.
rm -f "$WINEPREFIX"/drive_c/users/*/Temp/vidlet-*.lock
# Each test starts as a new user would: no settings (phones paired by an earlier test) and no log.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Vidlet "$WINEPREFIX"/drive_c/users/*/AppData/Local/Vidlet
exec xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  wineserver -k 2>/dev/null || true
  bash "$@"; rc=$?
  wineserver -k 2>/dev/null || true
  exit $rc' wine-display "$@"
