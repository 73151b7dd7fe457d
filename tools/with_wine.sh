#!/bin/sh
# Runs a command with the project's own Wine prefix and a warm wineserver.
# Wine's background processes would otherwise inherit the caller's pipes and
# keep ctest or make waiting, so their output goes to /dev/null and the
# server is stopped afterwards.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono or Gecko downloads: there is no network, and their dialogs would wait.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}"
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >/dev/null 2>&1 </dev/null
"$@"
status=$?
wineserver -k >/dev/null 2>&1 </dev/null
exit $status
