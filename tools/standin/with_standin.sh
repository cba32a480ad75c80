#!/usr/bin/env bash
# Runs a Windows command beside the stand-in driver, which carries its device's data to the
# virtual printer whose ports with_vprinter.sh exported (KX_VP_MAIN, KX_VP_RT, KX_VP_USM). The
# command finds the stand-in through KESTRIX_DRIVER_STANDIN.
#   with_standin.sh <wine-run.sh> command args...   (wine-run.sh starts the stand-in; command runs as given)
#   (KX_STANDIN: standin.exe; KX_STANDIN_MODE: --usb (default) or --parallel)
set -u
winerun=$1
shift
standin=${KX_STANDIN:?KX_STANDIN names the stand-in driver program}
: "${KX_VP_MAIN:?run through with_vprinter.sh}"
ns="\\\\.\\pipe\\kestrix-standin-$$"
log=$(mktemp "${TMPDIR:-/tmp}/kx-standin.XXXXXX")
# No pipe of ours is inherited: a Wine process left holding one would keep ctest waiting.
"$winerun" "$standin" --pipe "$ns" ${KX_STANDIN_MODE:---usb} \
    --printer "127.0.0.1:$KX_VP_MAIN,$KX_VP_RT,$KX_VP_USM" --lifetime 900 </dev/null >"$log" 2>&1 &
pid=$!
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$log"
}
trap stop EXIT
export KESTRIX_DRIVER_STANDIN=$ns
"$@"
rc=$?
if [ $rc != 0 ] && [ -s "$log" ]; then
    echo "with_standin: the stand-in said:" >&2
    cat "$log" >&2
fi
exit $rc
