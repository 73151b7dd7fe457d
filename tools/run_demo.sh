#!/bin/sh
# Runs the launcher with its built-in payload in a sandbox under build/demo,
# then shows its log and what is left of the workspace.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/build/demo"
mkdir -p "$demo"
export TARNVIEW_DEMO_MS="${TARNVIEW_DEMO_MS:-4000}"
echo "== running build/dist/x64/SelfExtractor.exe (the x86 build ships; no 32-bit code runs here)"
wine "$root/build/x64/tests/run_sandboxed.exe" "$(winepath -w "$demo/sandbox")" \
  "$(winepath -w "$root/build/dist/x64/SelfExtractor.exe")"
echo "== log: build/demo/sandbox/temp/SelfExtractor.log"
cat "$demo/sandbox/temp/SelfExtractor.log" 2>/dev/null || echo "(no log written)"
echo "== workspace: build/demo/sandbox/appdata/Corvel/ZeDod"
ls -la "$demo/sandbox/appdata/Corvel/ZeDod" 2>/dev/null || echo "(no workspace)"
