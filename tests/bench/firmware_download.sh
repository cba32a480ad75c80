#!/usr/bin/env bash
# Firmware download time of Kestrix's engine over the virtual printer's pty (COM9), for the plain and
# the header protocol, as a ratio to the printer-bound minimum for the same image measured in the
# same run (the same bytes over the link and the same acknowledgement round trips, nothing else).
# Not a test: it prints figures.
#   KX_BUILD=<build folder> tests/bench/firmware_download.sh [sectors]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/scripts/display.sh"
kx_start_display >/dev/null || true  # a message-only window needs no display
kx_wine_prime || true  # a running server is fine
cmake --build "$KX_BUILD/host" --target vprinter >/dev/null
cmake --build "$KX_BUILD/win" --target firmware_bench Vorbeck Dorvane >/dev/null
dir="$KX_BUILD/vprinter"
fixture="$root/tools/vprinter/vprinter_fixture.sh"
"$fixture" start "$KX_BUILD/host/bin/vprinter" "$dir" com9
trap '"$fixture" stop "$dir" com9' EXIT
port=$(head -n 1 "$dir/control-com9.txt")
cd "$KX_BUILD/win/bin"
"$KX_BUILD/win/wine-run.sh" ./firmware_bench.exe "$port" "${1:-16}" </dev/null
