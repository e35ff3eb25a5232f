#!/usr/bin/env bash
# Vidlet.exe from the program folder renders each view (--shot), and each picture is compared
# with the Linux program's picture of the same view in the same theme (vidlet-shotdiff says
# which measure and tolerance): ProgramShots.sh PROGRAM_FOLDER LINUX_BIN OUT_DIR
set -uo pipefail
app=$1 host=$2 out=$3
rm -rf "$out"; mkdir -p "$out"
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
# Both programs listen on the same free port in turn, so the address and the pairing code they
# show are the same.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
failed=0
for view in pairing settings language addphone; do
  # Wine starts the program slowly: the picture is taken once the pairing code has been drawn.
  options=(--shot 540x640 --shot-theme 2 --shot-delay 8000 --port "$port")
  [ "$view" = pairing ] || options+=(--shot-view "$view")
  # The Linux program in a sandbox of its own (settings, log, camera segment).
  mkdir -p "$scratch/$view"
  HOME=$scratch/$view XDG_CONFIG_HOME=$scratch/$view XDG_STATE_HOME=$scratch/$view \
    XDG_DATA_HOME=$scratch/$view XDG_RUNTIME_DIR=$scratch/$view DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
    VIDLET_CAMERA_SEGMENT=/vidlet-shots-$$ QT_QPA_PLATFORM=offscreen \
    timeout 60 "$host/Vidlet" "${options[@]}" --token-folder "$scratch/$view" \
    --out "$out/linux-$view.png" >/dev/null 2>&1
  start=$(date +%s%N)
  timeout 120 wine "$app/Vidlet.exe" "${options[@]}" --token-folder "Z:$scratch/$view" \
    --out "Z:$out/windows-$view.png" >/dev/null 2>&1
  echo "$view: Vidlet.exe ran for $((($(date +%s%N) - start) / 1000000)) ms"
  if ! "$host/vidlet-shotdiff" "$out/linux-$view.png" "$out/windows-$view.png"; then
    echo "$view: the pictures differ (both are in $out)"
    failed=1
  fi
done
exit $failed
