#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Vidlet.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache clang-format
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-templates
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-dialogs
  qml6-module-qt-labs-folderlistmodel
  qml6-module-qtqml-workerscript qml6-module-qtquick-shapes qml6-module-qt-labs-platform
  qml6-module-qtqml   # QtQml's type descriptions, which qmllint reads
  qt6-qpa-plugins libgl-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libx264-dev
  libqrcodegencpp-dev ffmpeg iproute2
  fonts-dejavu-core xvfb xauth
  fonts-noto-cjk openssl
  dpkg-dev desktop-file-utils appstream dbus
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis osslsigncode
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  clang libclang-rt-14-dev llvm libusbmuxd-tools
  libpipewire-0.3-dev pipewire pipewire-bin wireplumber gstreamer1.0-pipewire
  gstreamer1.0-tools xdg-desktop-portal libglib2.0-bin dbus-bin dbus-daemon chromium firefox-esr
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
