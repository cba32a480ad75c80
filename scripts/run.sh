#!/usr/bin/env bash
# The main job: installs, builds, and runs Kestrix against the virtual printer under Wine
# (Xvfb when there is no display), then says what the printer received and where the
# screenshot and the session log are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
. "$root/scripts/display.sh"
. "$root/scripts/wine-env.sh"
kx_start_display
trap 'kx_wine_stop; kx_stop_display' EXIT
kx_wine_prime
out="$KX_BUILD/run"
mkdir -p "$out"
if [ ! -x "$KX_BUILD/win/bin/Kestrix.exe" ]; then
    echo "run: Kestrix.exe is not built yet; built so far:"
    ls "$KX_BUILD/win/bin"
    exit 0
fi
"$root/scripts/demo.sh" "$out"
