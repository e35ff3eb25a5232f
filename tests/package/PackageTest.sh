#!/usr/bin/env bash
# Builds the Debian package from the existing build tree, unpacks it into a scratch folder and
# checks what a user would get: the layout, the menu and software-centre files, the declared
# dependencies, and the unpacked program itself finding its camera component and rendering.
# Usage: PackageTest.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vidlet-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/vidlet_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root/usr
id=example.vidlet.Vidlet

for f in bin/Vidlet bin/vidlet-camview bin/vidlet-regtool share/polkit-1/actions/org.vidlet.regtool.policy \
         share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/doc/vidlet/copyright; do
  [ -f "$root/$f" ] || fail "missing /usr/$f"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -f "$root/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "no ${size}px icon"
done
lib=$(find "$root/lib" -path '*/vidlet/libsoftcam.so')
[ -n "$lib" ] || fail "libsoftcam.so is not in a private lib/vidlet folder"
[ -z "$(find "$root/lib" -maxdepth 1 -name 'libsoftcam*')" ] || fail "libsoftcam.so on the public path"
readelf -d "$root/bin/Vidlet" | grep -Eq 'R.*PATH.*\$ORIGIN/\.\./lib/([^/:]*/)?vidlet' \
  || fail "no run path to lib/vidlet"
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/bin/vidlet-regtool<' \
  "$root/share/polkit-1/actions/org.vidlet.regtool.policy" || fail "the policy names another helper path"

depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6quick6 libavcodec libswscale libqrcodegencpp libpipewire-0.3-0 \
    qml6-module-qtquick-controls; do
  grep -q "$p" <<<"$depends" || fail "Depends lacks $p: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "usbmuxd, pipewire, wireplumber, v4l2loopback-dkms, pkexec" ] || fail "Recommends"

# Purge removes the helper's boot files, state and port, and nothing that is not its own.
sys=$scratch/sysroot
dpkg-deb -e "$deb" "$scratch/control"
mkdir -p "$sys/etc/modules-load.d" "$sys/etc/modprobe.d" "$sys/etc/udev/rules.d" \
  "$sys/var/lib/vidlet" "$scratch/stubs"
printf '# Written by vidlet-regtool --register, removed by --unregister.\nv4l2loopback\n' \
  >"$sys/etc/modules-load.d/vidlet.conf"
printf '# Written by vidlet-regtool --register, removed by --unregister.\nSUBSYSTEM=="video4linux"\n' \
  >"$sys/etc/udev/rules.d/70-vidlet-camera.rules"
echo 'options v4l2loopback devices=2' >"$sys/etc/modprobe.d/vidlet.conf"   # the admin's own
touch "$sys/var/lib/vidlet/regtool.log"
touch "$sys/var/lib/vidlet/firewalld-permanent"   # the helper opened only the permanent port
for tool in firewall-cmd ufw; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\n[ "$1" != status ] || echo "8788/tcp ALLOW Anywhere # Vidlet"\n' \
    "$tool" "$scratch/firewall.log" >"$scratch/stubs/$tool"
  chmod +x "$scratch/stubs/$tool"
done
DPKG_ROOT=$sys PATH="$scratch/stubs:$PATH" sh "$scratch/control/postrm" purge || fail "postrm purge"
[ ! -e "$sys/etc/modules-load.d/vidlet.conf" ] || fail "purge left modules-load.d/vidlet.conf"
[ ! -e "$sys/etc/udev/rules.d/70-vidlet-camera.rules" ] || fail "purge left the device rule"
[ -e "$sys/etc/modprobe.d/vidlet.conf" ] || fail "purge removed a file the helper did not write"
[ ! -e "$sys/var/lib/vidlet" ] || fail "purge left /var/lib/vidlet"
grep -q 'firewall-cmd --permanent --remove-port=8788/tcp' "$scratch/firewall.log" || fail "firewalld port stays"
! grep -q 'firewall-cmd --remove-port' "$scratch/firewall.log" || fail "purge closed a port the helper did not open"
grep -q 'ufw delete allow 8788/tcp' "$scratch/firewall.log" || fail "ufw port stays"

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"

# The unpacked program, with a home of its own, finds its component through the private folder
# and renders its window.
home=$scratch/home
mkdir -m 700 -p "$home"
env DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/vidlet-test-bus HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" TMPDIR="$home" QT_QPA_PLATFORM=offscreen \
    timeout 60 "$root/bin/Vidlet" --shot 540x640 --out "$scratch/shot.png" --shot-delay 300 \
    >"$scratch/run.log" 2>&1 || { cat "$scratch/run.log"; fail "the unpacked program failed"; }
grep -q "shot saved to $scratch/shot.png" "$scratch/run.log" || { cat "$scratch/run.log"; fail "no shot"; }
if grep -q "camera component libsoftcam.so not found" "$scratch/run.log"; then
  cat "$scratch/run.log"; fail "the unpacked program did not find libsoftcam.so"
fi
echo "package $(basename "$deb") checked"
