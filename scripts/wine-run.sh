#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The build folder's CTest uses it as the emulator. No display: the tests open no windows.
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh" "$1"
shift
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
