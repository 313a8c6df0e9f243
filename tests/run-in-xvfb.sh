#!/usr/bin/env bash
# Runs one command inside an Xvfb server of its own; the server picks a free display number itself,
# so tests can run in parallel. Screen size from HC_SCREEN (default 1024x768x24).
set -u
size=${HC_SCREEN:-1024x768x24}
numfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset 3>"$numfile" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$numfile"' EXIT
for _ in $(seq 1 200); do
  [ -s "$numfile" ] && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb failed to start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$numfile" ] || { echo "Xvfb did not report a display" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$numfile")"
export QT_QPA_PLATFORM=xcb
"$@"
