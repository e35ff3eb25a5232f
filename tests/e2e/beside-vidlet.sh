#!/bin/sh
# The end-to-end tests pass beside a Vidlet that holds everything they would take if they fell
# back on the defaults: phone port 8788 and the user's camera segment; a usbmux stand-in at the
# default socket path notes every program that asks it for phones.
# That Vidlet runs in namespaces of its own (network, mounts, with a private /dev/shm and /run),
# so that nothing here touches the machine's real port, camera or usbmux service.
# Usage: beside-vidlet.sh BIN_DIR TEST_FUNCTION...
bin="$1"
if ! unshare -rnm true 2>/dev/null; then
  echo "SKIPPED beside-vidlet: user, network and mount namespaces (unshare -rnm) are not allowed here"
  exit 77
fi
exec unshare -rnm --propagation private sh -c '
  set -e
  bin="$1"; shift
  mount -t tmpfs shm /dev/shm
  mount -t tmpfs run /run
  # The machine'"'"'s loopback camera device, if any, stays out of sight too.
  [ ! -d /sys/devices/virtual/video4linux ] || mount -t tmpfs v4l /sys/devices/virtual/video4linux
  ip link set lo up
  home=$(mktemp -d)
  trap "rm -rf \"$home\"" EXIT
  mkdir -m 700 "$home/runtime"
  "$bin/vidlet-usbmuxd" --socket /run/usbmuxd < /dev/null 2> "$home/usbmuxd.log" > /dev/null &
  usbmuxd=$!
  env -u VIDLET_CAMERA_SEGMENT HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home" \
    "$bin/Vidlet" --token-folder "$home" > "$home/squatter.log" 2>&1 &
  squatter=$!
  tries=0
  until grep -q "listening for phones on port 8788" "$home/squatter.log"; do
    tries=$((tries + 1))
    if [ $tries -gt 200 ] || ! kill -0 $squatter 2>/dev/null; then
      echo "the squatting Vidlet did not take port 8788:"; cat "$home/squatter.log"; exit 1
    fi
    sleep 0.1
  done
  camera="/dev/shm/vidlet-camera-$(id -u)"
  [ -e "$camera" ] || { echo "the squatting Vidlet has no camera at $camera"; exit 1; }
  sleep 1
  clients=$(grep -c "client listening" "$home/usbmuxd.log" || true)
  [ "$clients" = 1 ] || { echo "the squatting Vidlet did not reach the usbmux stand-in"; exit 1; }

  status=0
  "$bin/EndToEndTest" "$@" || status=$?
  if ! kill -0 $squatter 2>/dev/null; then echo "the squatting Vidlet died"; status=1; fi
  [ -e "$camera" ] || { echo "the squatting Vidlet lost its camera"; status=1; }
  clients=$(grep -c "client listening" "$home/usbmuxd.log" || true)
  [ "$clients" = 1 ] || { echo "a test asked the default usbmux service for phones"; status=1; }
  kill $squatter $usbmuxd
  wait $squatter $usbmuxd || true
  exit $status
' sh "$@"
