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
# must pass whole.
repeat=()
if grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then repeat=(--repeat after-timeout:2); fi
timeout 3000 ctest --output-on-failure -j "$(nproc)" "${repeat[@]}" "$@"
