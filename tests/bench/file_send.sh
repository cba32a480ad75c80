#!/usr/bin/env bash
# File-send throughput of Kestrix over the virtual printer's pty, as a ratio to a plain write of the
# same bytes to the same pty in the same run. Not a test: it prints figures.
#   KX_BUILD=<build folder> tests/bench/file_send.sh [bytes]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/scripts/display.sh"
kx_start_display >/dev/null || true  # a message-only window needs no display
kx_wine_prime || true  # a running server is fine
cmake --build "$KX_BUILD/host" --target vprinter >/dev/null
cmake --build "$KX_BUILD/win" --target file_send_bench Vorbeck Dorvane >/dev/null
dir="$KX_BUILD/vprinter"
fixture="$root/tools/vprinter/vprinter_fixture.sh"
"$fixture" start "$KX_BUILD/host/bin/vprinter" "$dir" com8
trap '"$fixture" stop "$dir" com8' EXIT
port=$(head -n 1 "$dir/control-com8.txt")
cd "$KX_BUILD/win/bin"
"$KX_BUILD/win/wine-run.sh" ./file_send_bench.exe "$port" "${1:-262144}" </dev/null
