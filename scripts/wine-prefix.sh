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
      # Making a prefix is Wine's own start-up, not what a test proves: one that fails (seen
      # once, in 0.3 s, with nothing said) is said with Wine's output and made once more.
      for try in 1 2; do
        rm -rf "$WINEPREFIX"
        if out=$(DISPLAY='' wineboot -i 2>&1) && wineserver -w; then
          touch "$WINEPREFIX/.vidlet-ready"
          break
        fi
        printf 'wine-prefix.sh: making %s failed (try %d):\n%s\n' "$WINEPREFIX" "$try" \
          "$(printf '%s\n' "$out" | tail -n 20)" >&2
        wineserver -k 2>/dev/null || true
      done
      [ -e "$WINEPREFIX/.vidlet-ready" ]
    fi
  ) 9>"$WINEPREFIX.lock"
fi
