#!/usr/bin/env bash
# Starts or stops one virtual printer for a test run (ctest fixture setup/cleanup).
#   vprinter_fixture.sh start <vprinter> <dir> <name> [vprinter options]
#                                                       e.g. name com7: the pty link <dir>/com7, the
#                                                       control port and pid in <dir>/control-com7.txt;
#                                                       further options go to the printer (--tcp ...)
# (not com7.*: Windows takes any "com7.<extension>" for the device COM7)
#   vprinter_fixture.sh stop <dir> <name>
# The printer runs detached from the caller's pipes (ctest would wait for them) and ends by
# itself after an hour if no stop comes.
# KX_VPRINTER_PTY_SLOW=<bytes/s> (unset: no limit): the printer reads its pty no faster, so the
# serial tests meet a port that takes its bytes as a slower machine's would.
set -u

# Tells the printer of control file $1 the reading pace KX_VPRINTER_PTY_SLOW asks for.
slow_down() {
    [ -n "${KX_VPRINTER_PTY_SLOW:-}" ] || return 0
    local reply=""
    exec 3<>"/dev/tcp/127.0.0.1/$(sed -n 1p "$1")" || return 1
    printf 'PTY SLOW %s\n' "$KX_VPRINTER_PTY_SLOW" >&3
    read -r -t 5 reply <&3
    exec 3<&-
    [ "$reply" = OK ] || { echo "vprinter: PTY SLOW $KX_VPRINTER_PTY_SLOW answered '$reply'" >&2; return 1; }
}
action=${1:-}
case "$action" in
start)
    [ $# -ge 4 ] || { echo "usage: $0 start <vprinter> <dir> <name> [vprinter options]" >&2; exit 2; }
    vprinter=$2 dir=$3 name=$4
    shift 4
    "$0" stop "$dir" "$name"
    mkdir -p "$dir"
    setsid "$vprinter" --control 127.0.0.1:0 --port-file "$dir/control-$name.txt" --pty-link "$dir/$name" \
        --lifetime 3600 "$@" </dev/null >"$dir/$name.log" 2>&1 &
    for _ in $(seq 100); do
        [ -s "$dir/control-$name.txt" ] && { slow_down "$dir/control-$name.txt"; exit; }
        kill -0 $! 2>/dev/null || break
        sleep 0.05
    done
    echo "vprinter did not start:" >&2
    cat "$dir/$name.log" >&2
    exit 1
    ;;
stop)
    [ $# -eq 3 ] || { echo "usage: $0 stop <dir> <name>" >&2; exit 2; }
    dir=$2 name=$3
    control="$dir/control-$name.txt"
    [ -s "$control" ] || exit 0
    pid=$(sed -n 2p "$control")
    # Only a printer this fixture started: its command line names this control file. (An ended
    # printer waiting to be reaped has an empty command line, so it counts as gone.)
    ours() { tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "--port-file $control"; }
    if [ -n "$pid" ] && ours; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 100); do
            ours || break
            sleep 0.05
        done
        ours && kill -KILL "$pid" 2>/dev/null
    fi
    rm -f "$control"
    exit 0
    ;;
*)
    echo "usage: $0 start|stop ..." >&2
    exit 2
    ;;
esac
