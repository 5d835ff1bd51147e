#!/usr/bin/env bash
# Builds and runs every test: a normal build, an AddressSanitizer + UndefinedBehaviorSanitizer build,
# and a ThreadSanitizer build of the threaded driver side.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
export QT_QPA_PLATFORM=offscreen
jobs=${JOBS:-$(nproc)}

run_suite() {
  local dir=$1; shift
  echo "== $dir"
  "$root/scripts/build.sh" "$dir" "$@"
  (cd "$root/$dir" && ctest --output-on-failure --parallel "$jobs" --timeout 300)
}

run_suite build
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-asan -DSANITIZE=ON -DBUILD_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  run_suite build-tsan -DTSAN=ON -DBUILD_TRACKORA=OFF -DBUILD_BENCH=OFF
