#!/bin/sh
# Installs, through apt-get, whatever the build and the tests need and this
# machine lacks. Never installs fonts-open-sans: Wine would then report the
# interface font as installed and the font tests would lose their control.
set -e
packages="cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
binutils-mingw-w64-x86-64 wine wine64 gcab cabextract xvfb xauth python3 python3-pefile googletest
imagemagick x11-utils osslsigncode openssl"
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
