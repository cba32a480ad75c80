#!/usr/bin/env bash
# Receive flood benchmark: builds the benchmark program, starts a virtual printer on COM8 and lets
# it send at its fastest for 10 s into the main dialog; prints what receive_flood.cpp measures.
#   KX_BUILD=<build folder> tests/bench/receive_flood.sh
set -eu
. "$(dirname "$0")/bench_start.sh"
kx_bench_build receive_flood_bench
kx_bench_printer com8
cd "$KX_BUILD/win/bin"
KX_VPRINTER_DIR=$bench_dir "$WINE" receive_flood_bench.exe </dev/null 2>&1 | grep -v '^[0-9a-f]*:fixme:'
