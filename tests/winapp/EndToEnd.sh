#!/usr/bin/env bash
# Phone to camera with the Windows program: the Linux phone simulator pairs with Vidlet.exe under
# Wine over loopback, first over the LAN and then over USB through the usbmux stand-in on TCP
# (where the Windows service listens); Media Foundation decodes (Wine's decoder), softcam.dll
# publishes, and a DirectShow reader (CameraStampReader) must receive the stamped pictures in
# order. The camera's Media Foundation source (vidlet-mfcamera.dll), loaded as Windows 11's Frame
# Server loads it, must give a Media Foundation reader (MediaSourceStampReader) the same stamped
# pictures. It prints the latency the reader measured, for information. At the end Windows ends
# the session (SessionEnd): Vidlet.exe must stop its session while it handles the message,
# since the process may be ended right after.
#   EndToEnd.sh PROGRAM_FOLDER LINUX_BIN CAMERA_STAMP_READER SESSION_END MEDIA_SOURCE_STAMP_READER
set -uo pipefail
app=$1 host=$2 reader=$3 session_end=$4 mf_reader=$5
scratch=$(mktemp -d)
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null
  wine regsvr32 /u /s "Z:$app/softcam.dll" >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT

source "$(dirname "$0")/loopback.sh"

# The camera is registered as the installer registers it, so DirectShow lists it.
wine regsvr32 /s "Z:$app/softcam.dll" || { echo "regsvr32 softcam.dll failed"; exit 1; }

read -r port usbmux phone_usb <<<"$(free_ports 3)"
"$host/vidlet-usbmuxd" --port "$usbmux" >"$scratch/usbmuxd.log" 2>&1 &
pids+=($!)
wine "$app/Vidlet.exe" --port "$port" --usbmux "$usbmux" --token-folder "Z:$scratch" \
  >"$scratch/vidlet.log" 2>&1 &
pids+=($!)
start=$(date +%s%N)
if ! wait_for 120 listening "$port"; then
  echo "Vidlet.exe did not listen on $port"; cat "$scratch/vidlet.log"; exit 1
fi
echo "Vidlet.exe listened after $((($(date +%s%N) - start) / 1000000)) ms"
wait_for 30 test -s "$scratch/pairing-token.txt" || { echo "no pairing-token.txt"; exit 1; }

failed=0
read_camera() {
  local what=$1
  # The phone's steady clock (CLOCK_MONOTONIC) against the wall clock, for the reader's latency.
  local clocks
  clocks=$(python3 -c 'import time; print(int((time.monotonic() - time.time()) * 1e6))')
  if wine "$reader" 60 90000 "$clocks" >"$scratch/reader.out" 2>&1; then
    echo "$what: $(cat "$scratch/reader.out")"
  else
    echo "$what FAILED: $(cat "$scratch/reader.out")"; failed=1
  fi
}

# Over the LAN, as a phone that scanned the code.
"$host/vidlet-phone" --token-file "$scratch/pairing-token.txt" --host 127.0.0.1 --port "$port" \
  --device-id lan-phone --size 1280x720 --fps 30 --duration-ms 120000 >"$scratch/phone-lan.log" 2>&1 &
lan=$!
pids+=($lan)
read_camera "LAN"

# The same camera through its Media Foundation source, read by Media Foundation's source reader
# (at 30 pictures a second: 900 reads are half a minute).
if wine "$mf_reader" "Z:$app/vidlet-mfcamera.dll" 30 900 >"$scratch/mf-reader.out" 2>&1; then
  echo "LAN, through Media Foundation: $(cat "$scratch/mf-reader.out")"
else
  echo "LAN, through Media Foundation FAILED: $(cat "$scratch/mf-reader.out")"; failed=1
fi

# A second phone over USB while the first streams: the phone listens on the "cable"; the
# stand-in announces it to Vidlet.exe, which opens the tunnel and sends PAIR_INFO with the
# token, as it does for a phone on a cable. When the LAN phone leaves, the camera switches to
# the phone on the cable.
"$host/vidlet-phone" --usb-listen "$phone_usb" --device-id cable-phone --size 1280x720 --fps 30 --duration-ms 120000 \
  >"$scratch/phone-usb.log" 2>&1 &
pids+=($!)
wait_for 10 listening "$phone_usb" || { echo "the USB phone did not listen"; exit 1; }
# The stand-in is started again on the same port once the old one has gone.
kill "${pids[0]}" 2>/dev/null
wait "${pids[0]}" 2>/dev/null
"$host/vidlet-usbmuxd" --port "$usbmux" --device "00008101-CABLE=127.0.0.1:$phone_usb" \
  >"$scratch/usbmuxd.log" 2>&1 &
pids+=($!)
if ! wait_for 60 grep -q "connected over USB" "$scratch/vidlet.log"; then
  echo "the USB phone did not connect"; failed=1
fi
echo "two phones connected: $(grep -c "connected over" "$scratch/vidlet.log")"
kill "$lan" 2>/dev/null; wait "$lan" 2>/dev/null
read_camera "USB, after the switch"

# Log-off while the phone streams.
wine "$session_end" Vidlet.exe
if grep -q "Vidlet: session stopped" "$scratch/vidlet.log"; then
  echo "session end: the session stopped while Windows ended it"
else
  echo "session end FAILED: no \"session stopped\" before the process was ended"; failed=1
fi

[ $failed -eq 0 ] || { echo "--- Vidlet.exe"; cat "$scratch/vidlet.log"; echo "--- phones";
  cat "$scratch"/phone-*.log; echo "--- usbmux stand-in"; cat "$scratch/usbmuxd.log"; }
exit $failed
