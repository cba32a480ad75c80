#!/usr/bin/env bash
# Runs a command beside a virtual printer whose TCP channels listen on loopback; the printer's
# ports reach the command as KX_VP_CONTROL, KX_VP_MAIN, KX_VP_RT, KX_VP_USM (and KX_VP_UDP).
#   with_vprinter.sh command args...      (KX_VPRINTER: the printer program; KX_VP_UDP_BIND: HOST:PORT)
set -u
vprinter=${KX_VPRINTER:?KX_VPRINTER names the virtual printer program}
dir=$(mktemp -d "${TMPDIR:-/tmp}/kx-vp.XXXXXX")
udp=()
[ -n "${KX_VP_UDP_BIND:-}" ] && udp=(--udp "$KX_VP_UDP_BIND")
# No pipe of ours is inherited: a printer left holding one would keep ctest waiting.
"$vprinter" --control 127.0.0.1:0 --port-file "$dir/port" --tcp 127.0.0.1:0,0,0 "${udp[@]}" \
    --net-file "$dir/net" --lifetime 900 </dev/null >"$dir/log" 2>&1 &
pid=$!
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT
for _ in $(seq 200); do
    [ -s "$dir/port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [ ! -s "$dir/port" ]; then
    echo "with_vprinter: the virtual printer did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
read -r KX_VP_MAIN KX_VP_RT KX_VP_USM KX_VP_UDP <"$dir/net"
KX_VP_CONTROL=$(head -n 1 "$dir/port")
export KX_VP_CONTROL KX_VP_MAIN KX_VP_RT KX_VP_USM KX_VP_UDP
"$@"
