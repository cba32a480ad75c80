#!/usr/bin/env bash
# Runs a Windows program under the project's own Wine prefix (never the user's).
# KESTRIX_WINEPREFIX overrides the prefix; scripts/wine-env.sh sets it up and primes it.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../scripts/wine-env.sh"
exec "$WINE" "$@"
