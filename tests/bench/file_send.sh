#!/usr/bin/env bash
# File-send throughput of Kestrix over the virtual printer's pty, as a ratio to a plain write of the
# same bytes to the same pty in the same run. Not a test: it prints figures.
#   KX_BUILD=<build folder> tests/bench/file_send.sh [bytes]
set -euo pipefail
. "$(dirname "$0")/bench_start.sh"
kx_bench_build file_send_bench Vorbeck Dorvane  # a message-only window needs no display
kx_bench_printer com8
cd "$KX_BUILD/win/bin"
"$KX_BUILD/win/wine-run.sh" ./file_send_bench.exe "$bench_control" "${1:-262144}" </dev/null
