#!/usr/bin/env bash
# The main job's demo: KestrixCli starts Kestrix in batch mode to send a sample file to the virtual
# printer over loopback TCP (the Ethernet transport); Kestrix closes its window by itself; then the
# printer's record is compared with the file and the screenshot and session log are named.
#   scripts/demo.sh <outdir>     (scripts/run.sh calls it once everything is built)
# Works without a display (a private Xvfb is started when none is up) and ends by itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: $0 <outdir>}
. "$root/scripts/wine-env.sh"
. "$root/scripts/display.sh"
bin=$KX_BUILD/win/bin
vprinter=$KX_BUILD/host/bin/vprinter
fixture=$root/tools/vprinter/vprinter_fixture.sh
sample=$root/tools/samples/sample_receipt.txt
title='Kestrix V4.1.4'
for f in "$bin/Kestrix.exe" "$bin/KestrixCli.exe" "$bin/Lumetra.dll" "$bin/Sablon.dll" "$vprinter"; do
    [ -e "$f" ] || { echo "demo: missing $f (build first: scripts/build.sh)" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
printer_dir=$out/vprinter
# Blanks separate Kestrix's command-line tokens: the file to send goes to a path without any.
work=$(mktemp -d /tmp/kx-demo.XXXXXX)

own_display=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    unset DISPLAY
    kx_start_display
    own_display=1
fi
cleanup() {
    exec 3>&- 2>/dev/null || true
    "$fixture" stop "$printer_dir" demo
    rm -rf "$work"
    if [ "$own_display" = 1 ]; then
        kx_wine_stop
        kx_stop_display
    fi
}
trap cleanup EXIT
kx_wine_prime || true   # a server already running makes it report failure

# The printer: three TCP channels on loopback, its control channel kept open on fd 3.
"$fixture" start "$vprinter" "$printer_dir" demo --tcp 127.0.0.1:0,0,0 --net-file "$printer_dir/net-demo.txt"
control=$(head -n 1 "$printer_dir/control-demo.txt")
read -r main realtime usm _ <"$printer_dir/net-demo.txt"
exec 3<>"/dev/tcp/127.0.0.1/$control"
printer() {
    local reply
    printf '%s\n' "$1" >&3
    IFS= read -r -t 10 reply <&3
    printf '%s\n' "${reply%$'\r'}"
}
printer CLEAR >/dev/null

# Settings Kestrix reads at start: the English catalogue and the printer's two other channels.
setting() {
    "$WINE" reg add "HKLM\\SOFTWARE\\VELTRA\\KESTRIX$1" /v "$2" /t "$3" /d "$4" /f </dev/null >/dev/null 2>&1
}
setting '' 'Thesaurus DLL Name' REG_SZ Sablon.dll
setting '\Communication Parameters' 'Real Time Ethernet Port' REG_DWORD "$realtime"
setting '\Communication Parameters' 'USM Ethernet Port' REG_DWORD "$usm"

cp "$sample" "$work/sample_receipt.txt"
file_win="Z:$(printf '%s' "$work/sample_receipt.txt" | tr / '\\')"
logs_before=$(ls "$bin"/KestrixLog-pid*.html 2>/dev/null | grep -v '\.temp\.html$' || true)

window_id() { xwininfo -root -tree 2>/dev/null | awk -v t="\"$title" 'index($0, t) {print $1; exit}'; }

# One send (-R:1), then the 4 s pause that follows every send of a repeated transfer, so the
# window can be photographed before it closes.
echo "demo: KestrixCli $file_win -M:T -R:1 -D:4000 -I:E -A:127.0.0.1 -O:$main"
(cd "$bin" && timeout 60 "$WINE" KestrixCli.exe "$file_win" -M:T -R:1 -D:4000 -I:E -A:127.0.0.1 -O:"$main" \
    </dev/null >"$out/kestrixcli.txt" 2>&1) || { echo "demo: KestrixCli failed:"; cat "$out/kestrixcli.txt"; exit 1; }

screenshot=""
id=""
for _ in $(seq 600); do
    id=$(window_id)
    [ -n "$id" ] && break
    sleep 0.05
done
if [ -z "$id" ]; then
    echo "demo: the Kestrix window did not appear within 30 s" >&2
    exit 1
fi
# The picture is taken in the pause after the send: the window mapped, the whole file at the
# printer, then the same picture for a second, so the window is drawn and shows the file's
# progress. When the printer's count has not moved for 15 s (a send that stalls, a picture that
# never settles) or the window closes first, the last capture is kept.
size=$(stat -c %s "$sample")
received() { local ok got _; read -r ok got _ < <(printer "RECEIVED main"); printf '%s\n' "${got:-0}"; }
map_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Map State: //p'; }
now_ms() { local us=${EPOCHREALTIME//[!0-9]/}; printf '%s\n' $((us / 1000)); }
got=0 last_got=-1 moved=$SECONDS last_sum="" since=0 settled=0
while [ -n "$(window_id)" ] && [ $((SECONDS - moved)) -lt 15 ]; do
    if [ "$got" != "$size" ]; then
        got=$(received)
        [ "$got" != "$last_got" ] && { last_got=$got; moved=$SECONDS; }
    fi
    if [ "$(map_state "$id")" = IsViewable ] && import -window "$id" "$work/shot.png" 2>/dev/null; then
        cp "$work/shot.png" "$out/kestrix_batch.png"
        screenshot=$out/kestrix_batch.png
        sum=$(identify -format '%#' "$work/shot.png" 2>/dev/null)
        now=$(now_ms)
        if [ "$got" = "$size" ] && [ -n "$sum" ] && [ "$sum" = "$last_sum" ]; then
            [ $((now - since)) -ge 1000 ] && { settled=1; break; }
        else
            # The second counts from the first picture taken once the file is whole.
            [ "$got" = "$size" ] && last_sum=$sum
            since=$now
        fi
    fi
    sleep 0.2
done
[ "$settled" = 1 ] || echo "demo: the screenshot was taken before the window's picture settled" >&2
closed=0
for _ in $(seq 1200); do
    [ -z "$(window_id)" ] && { closed=1; break; }
    sleep 0.05
done
if [ "$closed" = 0 ]; then
    # Leave nothing running: end this Kestrix by the process id its title shows (hex).
    pid=$(xwininfo -id "$id" 2>/dev/null | sed -n 's/.*pid=\([0-9A-Fa-f]*\).*/\1/p' | head -n 1)
    [ -n "$pid" ] && "$WINE" taskkill /F /PID $((16#$pid)) </dev/null >/dev/null 2>&1 || true
    echo "demo: the Kestrix window did not close by itself within 60 s" >&2
    exit 1
fi

# What the printer received, against the file.
crc=$(gzip -c "$sample" | tail -c 8 | od -An -tx4 -N4 | tr -d ' \n')
read -r ok got_size got_crc _ < <(printer "RECEIVED main")
printer "DUMP main $out/received.bin" >/dev/null
log=$(ls -t "$bin"/KestrixLog-pid*.html 2>/dev/null | grep -v '\.temp\.html$' | grep -vxF "$logs_before" | head -n 1 || true)

echo "demo: file sent:        $sample ($size bytes, CRC-32 $crc)"
echo "demo: printer received: ${got_size:-?} bytes, CRC-32 ${got_crc:-?} (saved in $out/received.bin)"
echo "demo: window closed by itself: yes"
echo "demo: screenshot:       ${screenshot:-none (the window could not be captured)}"
echo "demo: session log:      ${log:-none found in $bin}"
if [ "$ok" = OK ] && [ "$got_size" = "$size" ] && [ "${got_crc,,}" = "$crc" ] && cmp -s "$sample" "$out/received.bin"; then
    echo "demo: the printer received the file byte for byte"
else
    echo "demo: MISMATCH between the file and what the printer received" >&2
    exit 1
fi
