#!/usr/bin/env bash
# Signs Windows programs in place (Authenticode, SHA-256) with a code-signing certificate:
#   sign.sh PKCS12 PASSWORD_FILE FILE...
# A release adds a time stamp from its certificate authority's server (osslsigncode -ts URL), so
# that the signature outlives the certificate; the build here has no network.
set -euo pipefail
p12=$1 password=$2
shift 2
for file in "$@"; do
  osslsigncode sign -pkcs12 "$p12" -readpass "$password" -h sha256 -n Vidlet \
    -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
done
