#!/bin/sh
# Signs a copy of the shipped launcher with a throwaway certificate and checks
# that the signature verifies and the payload resource is untouched.
set -eu
launcher=$1 tools=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Tolvane throwaway signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
cp "$launcher" "$work/SelfExtractor.exe"
sh "$tools/sign.sh" "$work/cert.pem" "$work/key.pem" "$work/SelfExtractor.exe"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/SelfExtractor.exe" | grep -q "Signature verification: ok"
# A tampered copy no longer verifies.
cp "$work/SelfExtractor.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=2000 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
  echo "a tampered launcher still verified" >&2
  exit 1
fi
echo "signing: 1 passed, 0 failed"
