#!/bin/sh
# Runs the launcher with its built-in payload in a sandbox under build/demo:
# the sample host opens its window, which is saved to build/demo/host.png,
# and closes by itself; then the log and what is left of the workspace are
# shown.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/build/demo"
mkdir -p "$demo"
rm -f "$demo/host.png"
export TARNVIEW_DEMO_MS="${TARNVIEW_DEMO_MS:-5000}"
echo "== running build/dist/x64/SelfExtractor.exe (the x86 build ships; no 32-bit code runs here)"
wine "$root/build/x64/tests/run_sandboxed.exe" "$(winepath -w "$demo/sandbox")" \
  "$(winepath -w "$root/build/dist/x64/SelfExtractor.exe")" &
launcher=$!
# The host window is titled with the interface title.
for _ in $(seq 1 100); do
  window=$(xwininfo -root -tree 2>/dev/null | grep '"Tolvane Support"' | awk '{print $1}' | head -n 1)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -n "${window:-}" ]; then
  sleep 1.5
  import -window "$window" "$demo/host.png" 2>/dev/null && echo "== host window saved to build/demo/host.png"
else
  echo "== no host window appeared"
fi
wait $launcher
echo "== log: build/demo/sandbox/temp/SelfExtractor.log"
cat "$demo/sandbox/temp/SelfExtractor.log" 2>/dev/null || echo "(no log written)"
echo "== workspace: build/demo/sandbox/appdata/Corvel/ZeDod"
ls -la "$demo/sandbox/appdata/Corvel/ZeDod" 2>/dev/null || echo "(no workspace)"
for left in resource.cab Resource; do
  if [ -e "$demo/sandbox/appdata/Corvel/ZeDod/$left" ]; then echo "   $left is still there"; else echo "   no $left: removed after the host exited"; fi
done
