#!/usr/bin/env bash
# Installs, builds both trees and runs every test (host, Win32 under Wine, GUI under Xvfb, end to end).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
. "$root/scripts/display.sh"
. "$root/scripts/wine-env.sh"
kx_start_display
trap 'kx_wine_stop; kx_stop_display' EXIT
kx_wine_prime
cd "$KX_BUILD/win"
timeout 3000 ctest --output-on-failure -j "$(nproc)" "$@"
