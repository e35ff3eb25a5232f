#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The build folder's CTest uses it as the emulator. No display, unless VIDLET_WINE_KEEP_DISPLAY
# is set (wine-qtest-display.sh): most tests open no windows.
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh" "$1"
shift
[ -n "${VIDLET_WINE_KEEP_DISPLAY:-}" ] || unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
