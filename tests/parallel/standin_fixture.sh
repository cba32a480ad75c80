#!/usr/bin/env bash
# Starts or stops the printer behind the parallel port for a test run (ctest fixture setup/cleanup):
# a virtual printer whose TCP channels listen on loopback, and the stand-in driver (under Wine)
# serving the parallel port on a pipe namespace and carrying its data to that printer.
#   standin_fixture.sh start <vprinter> <wine-run> <standin.exe> <dir> <pipe namespace>
#                      (the printer's control port and pid: <dir>/control-lpt.txt)
#   standin_fixture.sh stop <dir>
# Both run detached from the caller's pipes (ctest would wait for them) and end by themselves
# after an hour if no stop comes.
set -u
here=$(cd "$(dirname "$0")" && pwd)
printer_fixture=$here/../../tools/vprinter/vprinter_fixture.sh
action=${1:-}
case "$action" in
start)
    [ $# -eq 6 ] || { echo "usage: $0 start <vprinter> <wine-run> <standin.exe> <dir> <pipe namespace>" >&2; exit 2; }
    vprinter=$2 winerun=$3 standin=$4 dir=$5 ns=$6
    "$0" stop "$dir"
    mkdir -p "$dir"
    rm -f "$dir/net-lpt.txt"
    "$printer_fixture" start "$vprinter" "$dir" lpt --tcp 127.0.0.1:0,0,0 --net-file "$dir/net-lpt.txt" || exit 1
    for _ in $(seq 100); do
        [ -s "$dir/net-lpt.txt" ] && break
        sleep 0.05
    done
    read -r main rt usm _ <"$dir/net-lpt.txt" || { echo "no printer ports" >&2; exit 1; }
    setsid "$winerun" "$standin" --pipe "$ns" --parallel --printer "127.0.0.1:$main,$rt,$usm" --lifetime 3600 \
        </dev/null >"$dir/standin.log" 2>&1 &
    echo $! >"$dir/standin.pid"
    for _ in $(seq 600); do
        if grep -q "serving" "$dir/standin.log" 2>/dev/null; then
            sleep 0.5   # the pipe is made right after the line is written
            exit 0
        fi
        kill -0 "$(cat "$dir/standin.pid")" 2>/dev/null || break
        sleep 0.05
    done
    echo "the stand-in did not start:" >&2
    cat "$dir/standin.log" >&2
    "$0" stop "$dir"
    exit 1
    ;;
stop)
    [ $# -eq 2 ] || { echo "usage: $0 stop <dir>" >&2; exit 2; }
    dir=$2
    if [ -s "$dir/standin.pid" ]; then
        pid=$(cat "$dir/standin.pid")
        # Only the stand-in this fixture started.
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "standin"; then
            kill -TERM "$pid" 2>/dev/null
            for _ in $(seq 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.05
            done
            kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        fi
        rm -f "$dir/standin.pid"
    fi
    "$printer_fixture" stop "$dir" lpt
    ;;
*)
    echo "usage: $0 start|stop ..." >&2
    exit 2
    ;;
esac
