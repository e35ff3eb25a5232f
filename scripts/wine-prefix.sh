#!/usr/bin/env bash
# Makes the Wine prefix PREFIX on first use and exports what every Wine run here needs:
#   source wine-prefix.sh PREFIX
# A lock keeps parallel runs from creating it twice.
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installers

if [ ! -e "$WINEPREFIX/.vidlet-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -e "$WINEPREFIX/.vidlet-ready" ]; then
      rm -rf "$WINEPREFIX"
      DISPLAY='' wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.vidlet-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
