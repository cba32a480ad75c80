#!/usr/bin/env bash
# Throughput of the Ethernet transport's main channel: a 100 MB file sent to the virtual printer
# through Lumetra.dll under Wine, as a ratio to socat and nc sending the same file to the same
# printer in the same run (1.0 = as fast as they are).
#   KX_BUILD=build tests/bench/ethernet_throughput.sh [size-MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export KX_BUILD=${KX_BUILD:-$root/build}
size_mb=${1:-100}
. "$root/scripts/wine-env.sh"
vprinter=$KX_BUILD/host/bin/vprinter
sender=$KX_BUILD/win/bin/ethernet_send_file.exe
for f in "$vprinter" "$sender" "$KX_BUILD/win/bin/Lumetra.dll"; do
    [ -e "$f" ] || { echo "missing $f: build first (scripts/build.sh)" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/kx-bench.XXXXXX")
"$vprinter" --control 127.0.0.1:0 --port-file "$dir/port" --tcp 127.0.0.1:0,0,0 --net-file "$dir/net" \
    --lifetime 1800 </dev/null >"$dir/log" 2>&1 &
printer=$!
trap 'kill $printer 2>/dev/null; wait $printer 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 200); do [ -s "$dir/port" ] && break; sleep 0.05; done
control=$(head -n 1 "$dir/port")
read -r main rt usm _ <"$dir/net"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$dir/file"
bytes=$(stat -c %s "$dir/file")

# One control connection for the whole run.
exec 3<>"/dev/tcp/127.0.0.1/$control"
command_line() {
    local reply
    printf '%s\n' "$1" >&3
    read -r reply <&3
    echo "$reply"
}
received() { command_line "RECEIVED main" | awk '{print $2}'; }

# A plain sender: the time from its start until the printer holds every byte.
plain() {
    command_line CLEAR >/dev/null
    local start end
    start=$(date +%s.%N)
    "$@" <"$dir/file" >/dev/null 2>&1
    while [ "$(received)" != "$bytes" ]; do sleep 0.005; done
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

kx_wine_prime || true   # a running server makes it report failure
kestrix=$("$WINE" "$sender" "$control" "$main" "$rt" "$usm" "Z:$dir/file" </dev/null 2>"$dir/sender.err" | tr -d '\r') ||
    { cat "$dir/sender.err" >&2; exit 1; }
socat_s=$(plain socat -u STDIN "TCP:127.0.0.1:$main")
if command -v nc >/dev/null; then nc_s=$(plain nc -N 127.0.0.1 "$main"); else nc_s=""; fi

mbps() { echo "scale=1; $bytes / 1048576 / $1" | bc -l; }
echo "file: $size_mb MB, main channel on loopback, printer records every byte"
echo "Lumetra (Wine): ${kestrix}s  $(mbps "$kestrix") MB/s"
echo "socat:          ${socat_s}s  $(mbps "$socat_s") MB/s"
echo "ratio Lumetra/socat throughput: $(echo "scale=2; $socat_s / $kestrix" | bc -l)"
if [ -n "$nc_s" ]; then
    echo "nc:             ${nc_s}s  $(mbps "$nc_s") MB/s"
    echo "ratio Lumetra/nc throughput:    $(echo "scale=2; $nc_s / $kestrix" | bc -l)"
fi
