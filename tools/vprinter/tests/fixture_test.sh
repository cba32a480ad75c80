#!/usr/bin/env bash
# The ctest fixture script: start leaves one printer answering, stop ends it and leaves nothing.
#   fixture_test.sh <vprinter_fixture.sh> <vprinter>
set -u
fixture=$1 vprinter=$2
dir=$(mktemp -d /tmp/vprinter_fixture_XXXXXX)
trap 'rm -rf "$dir"' EXIT
# Gone, or ended and waiting to be reaped.
running() { [ -n "$(tr -d '\0' <"/proc/$1/cmdline" 2>/dev/null)" ]; }
fail() { echo "FAIL: $*" >&2; "$fixture" stop "$dir" com7; exit 1; }

"$fixture" start "$vprinter" "$dir" com7 || fail "start"
port=$(sed -n 1p "$dir/control-com7.txt") pid=$(sed -n 2p "$dir/control-com7.txt")
[ -L "$dir/com7" ] && [ -e "$dir/com7" ] || fail "no pty link"
reply=$(printf 'PING\n' | timeout 5 socat -t 1 - "TCP:127.0.0.1:$port") || fail "no control connection"
[ "$reply" = "OK vprinter" ] || fail "PING answered '$reply'"
# A second start replaces the first printer rather than leaving it running.
"$fixture" start "$vprinter" "$dir" com7 || fail "restart"
running "$pid" && fail "restart left $pid running"
pid=$(sed -n 2p "$dir/control-com7.txt")
"$fixture" stop "$dir" com7 || fail "stop"
running "$pid" && fail "stop left $pid running"
[ -e "$dir/control-com7.txt" ] && fail "control file left behind"
[ -L "$dir/com7" ] && fail "pty link left behind"
echo "ok"
