#!/usr/bin/env bash
# Builds and runs every test: a normal build, an AddressSanitizer + UndefinedBehaviorSanitizer build,
# and a ThreadSanitizer build of the threaded driver side; then compiles everything with clang, and runs
# each fuzz target for a bounded time (FUZZ_SECONDS, 60 by default). A fuzz target that finds a crash
# fails the run, and the input that crashed is printed in hex.
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

echo "== build-clang (compile only)"
CC=clang CXX=clang++ "$root/scripts/build.sh" build-clang

# One tree of libFuzzer targets, instrumented for coverage and built with the address and undefined
# behaviour sanitizers.
run_fuzzers() {
  local tree=$root/build-fuzz
  echo "== $(basename "$tree")"
  CC=clang CXX=clang++ cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_FUZZERS=ON -DBUILD_BENCH=OFF >/dev/null
  cmake --build "$tree" --parallel "$jobs" --target fuzzers
  local failed=0 fuzzer name artifacts log crash
  for fuzzer in "$tree"/geolumen/*_fuzz "$tree"/trackora/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    artifacts=$tree/artifacts/$name
    log=$tree/$name.log
    rm -rf "$artifacts"
    mkdir -p "$artifacts" "$tree/corpus/$name"
    echo "-- $name: ${FUZZ_SECONDS:-60} s"
    # -timeout: an input that runs 10 s is a hang and fails like a crash.
    if "$fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$tree/corpus/$name" >"$log" 2>&1; then
      grep -E "^(Done|stat::number_of_executed_units)" "$log" || true
    else
      failed=1
      tail -n 80 "$log"
      for crash in "$artifacts"/*; do
        [ -f "$crash" ] || continue
        echo "$name: input that failed ($(basename "$crash"), $(stat -c %s "$crash") bytes):"
        od -An -tx1 -v "$crash"
      done
    fi
  done
  return $failed
}
run_fuzzers
