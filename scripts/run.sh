#!/usr/bin/env bash
# Builds the programs and starts Trackora; without a display it runs under a virtual one and saves a
# screenshot. "scripts/run.sh geolumen" starts the geolumen driver host and a sensor client instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "geolumen" ]; then
  # Only the fixes go to stdout.
  "$root/scripts/deps.sh" >&2
  "$root/scripts/build.sh" build >&2
else
  "$root/scripts/deps.sh"
  "$root/scripts/build.sh" build
fi

# scripts/run.sh geolumen [host options...]: the driver host on the simulated module with one sensor
# client that prints the fixes (JSON lines on stdout) for ten seconds; the host's log goes to stderr.
if [ "${1:-}" = "geolumen" ]; then
  shift
  bin="$root/build/geolumen/host"
  run_dir=$(mktemp -d)
  "$bin/geolumen-host" --usb sim --run-dir "$run_dir" --state-dir "$run_dir/state" --idle "$@" >&2 &
  host_pid=$!
  trap 'kill "$host_pid" 2>/dev/null || true; wait "$host_pid" 2>/dev/null || true; rm -rf "$run_dir"' EXIT
  # The host needs a moment to load the driver and start the device before it takes clients.
  for _ in $(seq 100); do
    [ -S "$run_dir/sensor.sock" ] && break
    kill -0 "$host_pid" 2>/dev/null || { echo "geolumen-host ended before it took clients" >&2; exit 1; }
    sleep 0.1
  done
  status=0
  "$bin/geolumen-client" --run-dir "$run_dir" --interval 1000 --seconds 10 || status=$?
  kill -TERM "$host_pid"
  wait "$host_pid" || status=$?
  trap - EXIT
  rm -rf "$run_dir"
  exit "$status"
fi
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
