# Sourced by run.sh and test.sh: installs, builds both trees, starts a display and primes the
# project's Wine prefix; both are stopped again when the sourcing shell exits.
_kx_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$_kx_scripts/i386-emulation.sh"
"$_kx_scripts/setup.sh"
"$_kx_scripts/build.sh"
. "$_kx_scripts/display.sh"
. "$_kx_scripts/wine-env.sh"
kx_start_display
trap 'kx_wine_stop; kx_stop_display' EXIT
kx_wine_prime
