#!/usr/bin/env bash
# Stops with a plain message where this machine cannot run 32-bit x86 programs: Wine needs them
# for the 32-bit Windows programs. Runs a 93-byte i386 program that only exits 0, or $1 instead.
set -uo pipefail
program=${1:-}
if [ -z "$program" ]; then
    program=$(mktemp); trap 'rm -f "$program"' EXIT
    # ELF header, one loadable segment, then: mov eax,1; xor ebx,ebx; int 0x80 (exit 0).
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' \
        '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00' \
        '\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$program"
    chmod +x "$program"
fi
if ! reason=$("$program" 2>&1 </dev/null); then
    echo "setup: ${reason##*: }" >&2
    echo "setup: stopped: this machine's kernel runs no 32-bit x86 programs, and Wine needs them to run" \
         "Kestrix's 32-bit Windows programs (build and tests). Use a machine whose kernel runs them" \
         "(on x86-64 Linux: IA32 emulation enabled)." >&2
    exit 1
fi
