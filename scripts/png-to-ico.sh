#!/usr/bin/env bash
# Wraps one 256x256 PNG into an .ico file (Windows reads PNG images inside icons):
#   png-to-ico.sh icon.png icon.ico
set -euo pipefail
png=$1
ico=$2
size=$(stat -c %s "$png")
le32() {
  local value=$1 byte
  for shift in 0 8 16 24; do
    printf -v byte '\\x%02x' $(((value >> shift) & 255))
    printf "$byte"
  done
}
{
  # Header: reserved, type 1 (icon), one image. Entry: 256x256 (stored as 0), no palette,
  # one plane, 32 bits per pixel, the image's size and its offset after these 22 bytes.
  printf '\x00\x00\x01\x00\x01\x00'
  printf '\x00\x00\x00\x00\x01\x00\x20\x00'
  le32 "$size"
  le32 22
  cat "$png"
} > "$ico"
