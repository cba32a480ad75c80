#!/usr/bin/env bash
# Runs a command inside a network namespace made for it, whose only interface is loopback, with a
# Wine prefix and Wine server of its own started inside it: broadcasts the command's Windows
# programs send stay in the namespace. Exits 77 (skipped) where namespaces cannot be made, and 1
# under CI (CI=true), where every test has to run.
#   in_test_netns.sh command args...
set -u
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--inside" ]; then
    shift
    outside=$1
    shift
    ip link set lo up || exit 1
    # The limited broadcast address goes out on loopback, from a loopback address.
    ip route add 255.255.255.255/32 dev lo src 127.0.0.1 || exit 1
    if [ "$(ip -o link show | wc -l)" != 1 ]; then
        echo "in_test_netns: the namespace has more than loopback" >&2
        exit 1
    fi
    inside=$(readlink /proc/self/ns/net)
    [ "$inside" != "$outside" ] || { echo "in_test_netns: not in a namespace of our own" >&2; exit 1; }

    . "$here/../../scripts/wine-env.sh"
    work=$(mktemp -d "${TMPDIR:-/tmp}/kx-netns.XXXXXX")
    export KESTRIX_WINEPREFIX=$work/prefix WINEPREFIX=$work/prefix
    # A copy of the build's primed prefix starts fast; without one Wine makes a fresh prefix.
    # Its temporary folders stay behind: tests running beside this one fill and empty them, and a
    # file gone while it is copied is no failure (tar exit 1); anything worse is.
    if [ -d "$KX_BUILD/wineprefix" ]; then
        mkdir -p "$WINEPREFIX"
        tar -C "$KX_BUILD/wineprefix" --exclude='./drive_c/users/*/Temp/*' --ignore-failed-read -cf - . 2>/dev/null |
            tar -C "$WINEPREFIX" -xf -
        copied=("${PIPESTATUS[@]}")
        [ "${copied[0]}" -le 1 ] && [ "${copied[1]}" = 0 ] || exit 1
        rm -f "$WINEPREFIX"/.update-timestamp.lock
    else
        mkdir -p "$WINEPREFIX"
    fi
    # The Wine server makes every socket: it must live in this namespace. Start it here, in the
    # foreground mode so its pid is ours to check and to stop.
    "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 &
    server=$!
    cleanup() {
        "$WINESERVER" -k </dev/null >/dev/null 2>&1   # this prefix's server only
        kill "$server" 2>/dev/null
        wait "$server" 2>/dev/null
        rm -rf "$work"
    }
    trap cleanup EXIT
    sleep 0.5
    server_ns=$(readlink "/proc/$server/ns/net" 2>/dev/null)
    if [ -z "$server_ns" ] || [ "$server_ns" != "$inside" ]; then
        echo "in_test_netns: the Wine server is not in the test's namespace; refusing to run" >&2
        exit 1
    fi
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
    # Checked again once a Windows process runs: the server it talks to is still ours.
    server_ns=$(readlink "/proc/$server/ns/net" 2>/dev/null)
    [ "$server_ns" = "$inside" ] || { echo "in_test_netns: Wine server changed; refusing" >&2; exit 1; }
    export KX_NETNS_VERIFIED=$inside
    "$@"
    exit $?
fi

skip() {
    case "${CI:-}" in
    true|1) echo "in_test_netns: $1; under CI every test has to run" >&2; exit 1 ;;
    *) echo "in_test_netns: $1; skipped" >&2; exit 77 ;;
    esac
}
if [ "$(id -u)" != 0 ] || ! command -v ip >/dev/null; then
    skip "network namespaces need root and ip(8)"
fi
ns=kx-eth-$$
if ! ip netns add "$ns" 2>/dev/null; then
    skip "cannot make a network namespace here"
fi
trap 'ip netns del "$ns" 2>/dev/null' EXIT
ip netns exec "$ns" "$0" --inside "$(readlink /proc/self/ns/net)" "$@"
