#!/usr/bin/env bash
# Checks that every file carries a valid signature from a certificate that CA_FILE vouches for,
# and that a copy changed by one byte does not:
#   verify-signatures.sh CA_FILE FILE...
set -uo pipefail
ca=$1
shift
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for file in "$@"; do
  if osslsigncode verify -CAfile "$ca" -in "$file" >"$scratch/out" 2>&1; then
    echo "ok: $(basename "$file") is signed"
  else
    echo "FAILED: $(basename "$file") is not signed as it should be"; cat "$scratch/out"; failed=1
  fi
done
# One byte changed in the middle of the first file: its signature must no longer hold.
python3 - "$1" "$scratch/changed" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 2] ^= 0xFF
open(sys.argv[2], "wb").write(data)
PY
if osslsigncode verify -CAfile "$ca" -in "$scratch/changed" >/dev/null 2>&1; then
  echo "FAILED: a changed copy of $(basename "$1") still passes"; failed=1
else
  echo "ok: a changed copy of $(basename "$1") fails"
fi
exit $failed
