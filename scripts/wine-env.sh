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
    # No window manager runs on the test display: unmanaged windows spare a 2 s wait for one
    # each time a visible top-level window is hidden or closed.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    kx_wine_map_ports
}

# COM7..COM9 lead to links under $KX_BUILD/vprinter/ that a virtual printer points at its pty.
# Wine creates its serial devices from HKLM\Software\Wine\Ports when its server starts (only then
# are they listed), so a changed mapping restarts this prefix's server once.
kx_wine_map_ports() {
    local dir="$KX_BUILD/vprinter" n changed=0
    mkdir -p "$dir"
    for n in 7 8 9; do
        if ! grep -qF "\"COM$n\"=\"$dir/com$n\"" "$WINEPREFIX/system.reg" 2>/dev/null; then
            "$WINE" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$dir/com$n" /f \
                </dev/null >/dev/null 2>&1
            changed=1
        fi
    done
    if [ "$changed" = 1 ]; then
        "$WINESERVER" -k </dev/null >/dev/null 2>&1
        "$WINESERVER" -w </dev/null >/dev/null 2>&1
        "$WINESERVER" -p </dev/null >/dev/null 2>&1
        "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
    fi
}

kx_wine_stop() {
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}
