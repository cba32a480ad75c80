#!/usr/bin/env bash
# The main job: installs, builds, and runs Kestrix against the virtual printer under Wine
# (Xvfb when there is no display), then says what the printer received and where the
# screenshot and the session log are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prepare.sh"
out="$KX_BUILD/run"
mkdir -p "$out"
"$root/scripts/demo.sh" "$out"
