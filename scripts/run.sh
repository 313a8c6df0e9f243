#!/usr/bin/env bash
# Sets up, builds and starts the saver. With a display it runs full screen until a key or a mouse
# button ends it; without one it runs inside Xvfb for a few seconds and saves a screenshot.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -G Ninja >/dev/null
cmake --build "$top/build" --target helixcavern
exe="$top/build/helixcavern"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$exe" /s
fi
shot="$top/build/screenshot.png"
desktop="$top/build/desktop.png"
# The virtual screen starts black; give the saver a desktop worth capturing. The lettering names
# its font file (from fonts-ipafont-gothic, which setup installs): a fresh machine has no default.
font=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
/usr/bin/convert -size 1280x720 gradient:'#2040a0'-'#f0c040' -fill white -stroke '#102040' \
  -strokewidth 3 -font "$font" -pointsize 90 -gravity center -annotate +0+0 'helixcavern' "$desktop"
HC_SCREEN=1280x720x24 "$top/tests/run-in-xvfb.sh" bash -c '
  display -window root "$3"
  "$1" /s & saver=$!
  sleep 4
  import -window root "$2"
  kill "$saver" 2>/dev/null; wait "$saver" 2>/dev/null || true
' _ "$exe" "$shot" "$desktop"
echo "No display: ran the saver inside Xvfb for 4 seconds; screenshot saved to $shot"
