#!/bin/sh
# sign.sh CERT KEY EXE: signs EXE in place with osslsigncode (SHA-256
# Authenticode) and verifies the signature against CERT (or CA_FILE, when the
# certificate was issued by a CA of yours). Fails, leaving EXE unsigned, if
# either step fails.
set -eu
cert=$1 key=$2 exe=$3
signed="$exe.signed"
rm -f "$signed"
osslsigncode sign -certs "$cert" -key "$key" -n "Tolvane" -h sha256 -in "$exe" -out "$signed" >/dev/null
if ! osslsigncode verify -CAfile "${CA_FILE:-$cert}" -in "$signed" >/dev/null; then
  rm -f "$signed"
  echo "the signature of $exe could not be verified" >&2
  exit 1
fi
mv "$signed" "$exe"
echo "$exe: signed and verified"
