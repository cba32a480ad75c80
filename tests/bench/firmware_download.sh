#!/usr/bin/env bash
# Firmware download time of Kestrix's engine over the virtual printer's pty (COM9), for the plain and
# the header protocol, as a ratio to the printer-bound minimum for the same image measured in the
# same run (the same bytes over the link and the same acknowledgement round trips, nothing else).
# Not a test: it prints figures.
#   KX_BUILD=<build folder> tests/bench/firmware_download.sh [sectors]
set -euo pipefail
. "$(dirname "$0")/bench_start.sh"
kx_bench_build firmware_bench Vorbeck Dorvane  # a message-only window needs no display
kx_bench_printer com9
cd "$KX_BUILD/win/bin"
"$KX_BUILD/win/wine-run.sh" ./firmware_bench.exe "$bench_control" "${1:-16}" </dev/null
