#!/usr/bin/env bash
# install_test.sh BUILD_DIR WITH_TRACKORA: installs the build into a staging prefix, moves the prefix, and
# runs the demo from the moved copy. The host and the radio tool must load the library beside them (not the
# build tree's), a client must read a fix, and SIGHUP must end the host with exit 0 and no socket left.
set -euo pipefail
build=$1
with_trackora=$2
stage=$(mktemp -d)
host=
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null || true
  rm -rf "$stage"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$stage/first" >/dev/null
mv "$stage/first" "$stage/moved"
prefix=$stage/moved

expected=(bin/geolumen-host bin/geolumen-client bin/geolumen-radio lib/systemd/system/geolumen-host@.service
  lib/sysusers.d/geolumen.conf)
[ "$with_trackora" = ON ] && expected+=(bin/Trackora)
for file in "${expected[@]}"; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
library=$(find "$prefix" -name 'libgeolumen.so.[0-9]*' -type l | head -n 1)
[ -n "$library" ] || fail "no versioned libgeolumen.so.N installed"
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "$(basename "$library")" ] || fail "SONAME is '$soname', file is $(basename "$library")"

mkdir -m 0700 "$stage/var"
"$prefix/bin/geolumen-host" --usb sim --run-dir "$stage/var/run" --state-dir "$stage/var/state" --idle \
  --run-ms 60000 >"$stage/host.log" 2>&1 &
host=$!
for _ in $(seq 1 200); do
  grep -q "sensor clients:" "$stage/host.log" && break
  sleep 0.1
done
grep -q "library loaded: $prefix/" "$stage/host.log" || fail "the host did not load the library beside it: $(cat "$stage/host.log")"
"$prefix/bin/geolumen-client" --run-dir "$stage/var/run" --count 1 --seconds 20 >"$stage/client.out" ||
  fail "the client read no fix: $(cat "$stage/client.out")"
grep -q '"event":"DATA_UPDATED"' "$stage/client.out" || fail "no DATA_UPDATED line: $(cat "$stage/client.out")"
"$prefix/bin/geolumen-radio" --run-dir "$stage/var/run" get >"$stage/radio.out" 2>&1 ||
  fail "the radio tool failed: $(cat "$stage/radio.out")"

kill -HUP "$host"
status=0
wait "$host" || status=$?
host=
[ "$status" = 0 ] || fail "the host ended with $status on SIGHUP: $(tail -n 5 "$stage/host.log")"
left=$(find "$stage/var/run" -type s 2>/dev/null)
[ -z "$left" ] || fail "sockets left after SIGHUP: $left"
echo "installed prefix runs after a move; SIGHUP leaves no socket"
