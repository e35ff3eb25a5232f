#!/usr/bin/env bash
# The Windows program under Wine, read as a video-call program reads it (DirectShow, by
# CameraStampReader), for the latency benchmark; run inside tests/winapp/wine-display.sh:
#   wine-latency.sh PROGRAM_FOLDER LINUX_BIN CAMERA_STAMP_READER PICTURES OUT_DIR
# For each path (usb, wifi: up to 10 ms of jitter, low: the same under "Low latency") a fresh
# Vidlet.exe takes a 1280x720 30 fps phone simulator, and the reader writes one line per picture
# to OUT_DIR/PATH.times ("FRAME STAMPED_US READ_US", wall clock).
set -uo pipefail
app=$1 host=$2 reader=$3 pictures=$4 out=$5
scratch=$(mktemp -d)
pids=()
stop_all() { kill "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null; pids=(); }
trap 'stop_all; wine regsvr32 /u /s "Z:$app/softcam.dll" >/dev/null 2>&1; rm -rf "$scratch"' EXIT

source "$(dirname "$0")/../tests/winapp/loopback.sh"

wine regsvr32 /s "Z:$app/softcam.dll" || { echo "regsvr32 softcam.dll failed"; exit 1; }
settings=$(winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")/Vidlet
failed=0
for path in usb wifi low; do
  rm -rf "$settings" "$scratch"/*
  if [ "$path" = low ]; then
    mkdir -p "$settings" && printf '[options]\nlowLatency=true\n' >"$settings/Vidlet.ini"
  fi
  read -r port usbmux phone_usb <<<"$(free_ports 3)"
  phone=(--device-id bench --size 1280x720 --fps 30 --duration-ms 120000)
  if [ "$path" = usb ]; then
    "$host/vidlet-phone" --usb-listen "$phone_usb" "${phone[@]}" >"$scratch/phone.log" 2>&1 &
    pids+=($!)
    wait_for 10 listening "$phone_usb" || { echo "$path: the phone did not listen"; failed=1; continue; }
    "$host/vidlet-usbmuxd" --port "$usbmux" --device "BENCH=127.0.0.1:$phone_usb" \
      >"$scratch/usbmuxd.log" 2>&1 &
    pids+=($!)
  fi
  wine "$app/Vidlet.exe" --port "$port" --usbmux "$usbmux" --token-folder "Z:$scratch" \
    >"$scratch/vidlet.log" 2>&1 &
  pids+=($!)
  if ! wait_for 120 listening "$port" || ! wait_for 30 test -s "$scratch/pairing-token.txt"; then
    echo "$path: Vidlet.exe did not start"; cat "$scratch/vidlet.log"; failed=1; stop_all; continue
  fi
  if [ "$path" != usb ]; then
    "$host/vidlet-phone" --token-file "$scratch/pairing-token.txt" --host 127.0.0.1 \
      --port "$port" --jitter-ms 10 "${phone[@]}" >"$scratch/phone.log" 2>&1 &
    pids+=($!)
  fi
  # The phone's steady clock (CLOCK_MONOTONIC) against the wall clock, for the stamps' times.
  clocks=$(python3 -c 'import time; print(int((time.monotonic() - time.time()) * 1e6))')
  if ! wine "$reader" "$pictures" 90000 "$clocks" "Z:$out/$path.times" >"$scratch/reader.out" 2>&1; then
    echo "$path: $(cat "$scratch/reader.out")"; cat "$scratch/vidlet.log"; failed=1
  fi
  stop_all
done
exit $failed
