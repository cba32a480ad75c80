#!/usr/bin/env bash
# Installs the Windows tree into a fresh folder and checks that it holds exactly the given files,
# each exporting exactly the names of its .def file (nothing for a file given without one).
#   check_shipped_set.sh <cmake> <build/win> <objdump> <file>=<def or empty> ...
set -euo pipefail
cmake=$1 build=$2 objdump=$3
shift 3
dir=$(mktemp -d "${TMPDIR:-/tmp}/kx-shipped.XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$cmake" --install "$build" --prefix "$dir" >/dev/null

status=0
expected=$(for pair in "$@"; do printf '%s\n' "${pair%%=*}"; done | sort)
installed=$(cd "$dir" && find . -mindepth 1 | sed 's|^\./||' | sort)
if [ "$installed" != "$expected" ]; then
    echo "installed set differs from the shipped set:"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$installed") || true
    status=1
fi

# The names of the export table as objdump prints them.
exports() {
    "$objdump" -p "$1" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && NF == 0 {on = 0}
                              on {print $NF}' | sort
}
# The names after EXPORTS in a .def file, comments and ordinals left out.
def_names() {
    awk '/^[ \t]*;/ {next} /^[ \t]*EXPORTS/ {on = 1; next} on && NF {print $1}' "$1" | sort
}
for pair in "$@"; do
    file=${pair%%=*} def=${pair#*=}
    [ -f "$dir/$file" ] || continue
    want=""
    [ -n "$def" ] && want=$(def_names "$def")
    got=$(exports "$dir/$file")
    if [ "$got" != "$want" ]; then
        echo "$file exports differ from ${def:-nothing}:"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") || true
        status=1
    fi
done
[ "$status" = 0 ] && echo "shipped set: $(printf '%s\n' "$expected" | wc -l) files, exports as their .def files name"
exit "$status"
