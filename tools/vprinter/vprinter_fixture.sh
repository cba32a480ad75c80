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
set -u
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
        [ -s "$dir/control-$name.txt" ] && exit 0
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
