# Sourced: the environment every Wine run of the project uses.
# The prefix lives in the build folder (KX_BUILD, default build/) unless KESTRIX_WINEPREFIX says otherwise.
_kx_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KX_BUILD=${KX_BUILD:-$_kx_root/build}
export WINEPREFIX=${KESTRIX_WINEPREFIX:-$KX_BUILD/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
WINE=${WINE:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINE WINESERVER

# Starts the prefix's Wine server and one process so later runs start fast.
# Output goes nowhere: a Wine helper that inherits a test's pipe makes ctest hang.
kx_wine_prime() {
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

kx_wine_stop() {
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}
