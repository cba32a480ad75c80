# Start-up the benchmark scripts share (sourced): the display and Wine server, the builds they
# need and a virtual printer fixture on one port, all stopped again when the script exits.
#   . "$(dirname "$0")/bench_start.sh"; kx_bench_build <win targets...>; kx_bench_printer com8
# Sets root; kx_bench_printer sets bench_dir, bench_port and bench_control (the printer's control port).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export KX_BUILD=${KX_BUILD:-$root/build}
. "$root/scripts/wine-env.sh"
. "$root/scripts/display.sh"
bench_port=""

# Display and Wine server up, then the printer (host tree) and the given Windows targets built.
kx_bench_build() {
    trap kx_bench_stop EXIT
    kx_start_display >/dev/null || true  # a message-only window needs no display
    kx_wine_prime || true                # an already running server answers with a failure
    cmake --build "$KX_BUILD/host" --target vprinter >/dev/null
    cmake --build "$KX_BUILD/win" --target "$@" >/dev/null
}

# A virtual printer on the given port's pty (com8, com9...).
kx_bench_printer() {
    bench_dir=$KX_BUILD/vprinter
    "$root/tools/vprinter/vprinter_fixture.sh" start "$KX_BUILD/host/bin/vprinter" "$bench_dir" "$1"
    bench_port=$1
    bench_control=$(head -n 1 "$bench_dir/control-$bench_port.txt")
}

# The printer; and the Wine server and display when this script started the display (a server
# left without its display would give later runs no windows).
kx_bench_stop() {
    [ -z "$bench_port" ] || "$root/tools/vprinter/vprinter_fixture.sh" stop "$bench_dir" "$bench_port"
    if [ -n "${KX_XVFB_PID:-}" ]; then
        kx_wine_stop
        kx_stop_display
    fi
}
