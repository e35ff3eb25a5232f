#!/usr/bin/env bash
# Runs a QtTest program that opens windows under Wine, with an X display of its own (Xvfb):
#   wine-qtest-display.sh PREFIX PROGRAM [ARGS...]
# Qt Quick under Wine needs the display and OpenGL with the basic render loop: Direct3D 11,
# Qt's choice on Windows, renders nothing there. The wineserver is started inside the display's
# session, since the display is fixed when it starts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-prefix.sh" "$1"
export QSG_RHI_BACKEND=opengl QSG_RENDER_LOOP=basic VIDLET_WINE_KEEP_DISPLAY=1
exec xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  wineserver -k 2>/dev/null || true
  "$0/wine-qtest.sh" "$@"; rc=$?
  wineserver -k 2>/dev/null || true
  exit $rc' "$here" "$@"
