# Sourced: starts a private Xvfb (unless DISPLAY already points at one) and exports DISPLAY.
# It must run before the Wine server starts: a server started without a display gives no windows.
kx_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n lock pid
    for n in $(seq 91 199); do
        lock="/tmp/.X${n}-lock"
        if [ -e "$lock" ]; then
            # A lock whose server is gone is left over from a killed run: take the number back.
            pid=$(tr -dc '0-9' < "$lock" 2>/dev/null)
            if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then continue; fi
            rm -f "$lock" "/tmp/.X11-unix/X${n}" 2>/dev/null || continue
        fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        KX_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            kill -0 "$KX_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$KX_XVFB_PID" 2>/dev/null || true
    done
    echo "display: no Xvfb could be started" >&2
    return 1
}
kx_stop_display() {
    [ -n "${KX_XVFB_PID:-}" ] && kill "$KX_XVFB_PID" 2>/dev/null || true
}
