#!/usr/bin/env bash
# Installs, builds both trees and runs every test (host, Win32 under Wine, GUI under Xvfb, end to end).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prepare.sh"
cd "$KX_BUILD/win"
# CI=true (.ci/run sets it) reaches every test: there a test that skips fails the run.
if [ -n "${CI:-}" ]; then export CI; fi
# Under QEMU's emulator (scripts/i386-emulation.sh), about one Wine process in seven hundred stalls
# in its teardown after its test has reported; a test that times out runs once more, and that run
# must pass whole. Each test that needed its second run is named after the run.
emulated=false
repeat=()
if grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then emulated=true; repeat=(--repeat after-timeout:2); fi
status=0
timeout 3000 ctest --output-on-failure -j "$(nproc)" "${repeat[@]}" "$@" || status=$?
if $emulated; then
    # ctest's log has a "<number>/<total> Testing: <name>" line for each run of a test (the host
    # and the Windows tree share some names, not numbers); a run cut short leaves it under its
    # temporary name.
    log=Testing/Temporary/LastTest.log
    [ ! -f "$log.tmp" ] || log=$log.tmp
    again=$(grep -E '^[0-9]+/[0-9]+ Testing: ' "$log" 2>/dev/null | sort | uniq -d | sed 's|^[0-9]*/[0-9]* Testing: ||' || true)
    if [ -n "$again" ]; then
        echo "test: timed out and ran a second time under the emulator:"
        sed 's/^/  /' <<<"$again"
    else
        echo "test: no test needed a second run under the emulator"
    fi
fi
exit "$status"
