#!/usr/bin/env bash
# Receive flood benchmark: builds the benchmark program, starts a virtual printer on COM8 and lets
# it send at its fastest for 10 s into the main dialog; prints what receive_flood.cpp measures.
#   KX_BUILD=<build folder> tests/bench/receive_flood.sh
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
export KX_BUILD=${KX_BUILD:-$root/build}
cmake --build "$KX_BUILD/host" --target vprinter >/dev/null
cmake --build "$KX_BUILD/win" --target receive_flood_bench >/dev/null
. "$root/scripts/display.sh"
. "$root/scripts/wine-env.sh"
kx_start_display
kx_wine_prime || true  # an already running server answers with a failure
dir=$KX_BUILD/vprinter
"$root/tools/vprinter/vprinter_fixture.sh" start "$KX_BUILD/host/bin/vprinter" "$dir" com8
trap '"$root/tools/vprinter/vprinter_fixture.sh" stop "$dir" com8' EXIT
cd "$KX_BUILD/win/bin"
KX_VPRINTER_DIR=$dir "$WINE" receive_flood_bench.exe </dev/null 2>&1 | grep -v '^[0-9a-f]*:fixme:'
