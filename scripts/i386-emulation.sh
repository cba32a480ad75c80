#!/usr/bin/env bash
# Where the kernel runs no 32-bit x86 programs, QEMU's user-mode emulator runs them: registered
# with the kernel's binfmt_misc for i386 programs, Wine's 32-bit loader and server then start as on
# any machine, only slower. Does nothing where the kernel runs them itself. Safe to run again.
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
"$scripts/check-i386.sh" 2>/dev/null && exit 0
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
. /etc/os-release
binfmt=/proc/sys/fs/binfmt_misc
conf=/usr/share/qemu/binfmt.d/qemu-i386.conf

# The release's own QEMU (7.2) spends over a minute on every Wine process start, walking its
# page flags through Wine's address-space reservation; the backport (10.0) takes under a second.
# It comes from a source list and lists folder of this run's own: nothing under /etc/apt changes,
# and a stale index of another suite cannot fail the update.
if ! [ -f "$conf" ]; then
    echo "setup: this kernel runs no 32-bit x86 programs; installing QEMU's user-mode emulator for them"
    dir=$($SUDO mktemp -d); trap '$SUDO rm -rf "$dir"' EXIT
    $SUDO chmod 755 "$dir"
    $SUDO mkdir -p "$dir/parts" "$dir/lists/partial"
    echo "deb $("$scripts/debian-mirror.sh") $VERSION_CODENAME-backports main" | $SUDO tee "$dir/sources.list" >/dev/null
    apt=($SUDO env DEBIAN_FRONTEND=noninteractive apt-get -q -o Dir::Etc::SourceList="$dir/sources.list"
         -o Dir::Etc::SourceParts="$dir/parts" -o Dir::State::Lists="$dir/lists"
         -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
    for try in 1 2 3 4 5 6; do
        "${apt[@]}" update && "${apt[@]}" install -y --no-install-recommends qemu-user && break
        [ "$try" -lt 6 ] || { echo "setup: could not install qemu-user from $VERSION_CODENAME-backports" >&2; exit 1; }
        echo "setup: apt failed (try $try); again in 30 s"; sleep 30
    done
fi

[ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
# An entry left by another emulator (the release's QEMU, say) gives way to this one.
[ ! -e "$binfmt/qemu-i386" ] || echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
$SUDO tee "$binfmt/register" <"$conf" >/dev/null
"$scripts/check-i386.sh"
echo "setup: 32-bit x86 programs run under $(qemu-i386 --version | head -n 1) (this kernel runs none itself)"
