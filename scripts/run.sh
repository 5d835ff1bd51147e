#!/usr/bin/env bash
# Builds the program and starts it. Without a display it runs under a virtual one and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" build
exe="$root/build/trackora/Trackora"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe" "$@"
fi
shot="$root/build/trackora-screenshot.png"
echo "no display: running under Xvfb for 5 seconds"
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$1" "${@:3}" & pid=$!
  sleep 5
  if kill -0 $pid 2>/dev/null; then
    xwd -root -silent | convert xwd:- "$2"
    kill $pid; wait $pid 2>/dev/null || true
  else
    wait $pid
  fi' _ "$exe" "$shot" "$@"
if [ -f "$shot" ]; then
  echo "screenshot of the main window: $shot"
else
  echo "no screenshot was made (the program ended before it could be taken)" >&2
  exit 1
fi
