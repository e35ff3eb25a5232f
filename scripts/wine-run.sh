#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The build folder's CTest uses it as the emulator. The prefix is created on first use; a lock
# keeps parallel runs from creating it twice. No display: the tests open no windows.
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -e "$prefix/.vidlet-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -e "$prefix/.vidlet-ready" ]; then
      rm -rf "$prefix"
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$prefix/.vidlet-ready"
    fi
  ) 9>"$prefix.lock"
fi

exec wine "$@"
