#!/usr/bin/env bash
# Renders docs/screenshot-*.png with the program's screenshot mode, in a throw-away home. The
# program must be able to listen on 8788, the port the pictures show, and to open its camera.
# Usage: scripts/make-screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(cd "${1:-build}/bin" && pwd)
home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home \
  TMPDIR=$home LOCALAPPDATA=$home/local QT_QPA_PLATFORM=offscreen \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/vidlet-shots
shot() { "$bin/Vidlet" --shot 540x640 --shot-theme 2 --shot-delay 2500 "$@"; }

shot --out docs/screenshot-pairing.png
shot --out docs/screenshot-settings.png --shot-view settings
shot --out docs/screenshot-live.png --shot-active "Pixel 8" --shot-delay 20000 &
sleep 2
token=$(cat "$bin/pairing-token.txt")
"$bin/vidlet-phone" --port 8788 --token "$token" --name "Pixel 8" --model "Pixel 8" \
  --no-stamp --duration-ms 15000 >/dev/null &
wait %1

# Two phones paired before and both away: the live screen waits with their cards offline.
mkdir -p "$home/config/Vidlet"
cat > "$home/config/Vidlet/Vidlet.ini" <<'INI'
[General]
phoneOrder=pixel-8, iphone-15

[known]
pixel-8=Pixel 8, Pixel 8, Android 14
iphone-15=iPhone, iPhone 15, iOS 17

[names]
iphone-15=Work iPhone

[trusted]
pixel-8=demo-token-aaaaaaaaaaaa
iphone-15=demo-token-bbbbbbbbbbbb
INI
shot --out docs/screenshot-offline.png
