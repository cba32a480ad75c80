#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          wine wine32:i386 xvfb x11-apps x11-utils imagemagick socat netcat-openbsd bc iproute2 procps)
# Under QEMU's emulator (scripts/i386-emulation.sh) Wine's 32-bit server would be emulated too, and
# QEMU's user mode has no ptrace, which the server needs to reach another process's memory: the
# 64-bit server runs natively and serves the 32-bit programs all the same.
if grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then packages+=(wine64); fi
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "setup: installing ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
log=$(mktemp); trap 'rm -f "$log"' EXIT

# Runs apt-get with its output kept in $log as well, so a failure can show its last lines.
apt_get() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -q "$@" 2>&1 | tee -a "$log"
    return "${PIPESTATUS[0]}"
}
# Updates the index, then installs; $failed says which step failed.
install_all() {
    failed=update; apt_get update "$@" || return 1
    failed=install; apt_get install -y --no-install-recommends "$@" "${missing[@]}" || return 1
}
fail() {
    echo "setup: ---- apt's last lines ----" >&2; tail -n 15 "$log" >&2
    echo "setup: $1" >&2; exit 1
}

# A mirror caught mid-sync serves an index of the wrong size; it usually settles within minutes.
for try in 1 2 3 4 5 6; do
    : >"$log"
    install_all && exit 0
    [ "$try" -lt 6 ] || break
    echo "setup: apt failed (try $try); again in 30 s"; sleep 30
done
[ "$failed" = update ] || fail "could not install the packages above (apt-get install failed six times)"

# Seen: a security suite whose i386 index stays stale for days ("Mirror sync in progress?"). An
# install after such an update cannot resolve the i386 packages either, since the amd64 ones then
# come from a newer suite. The release and its -updates suite are one consistent set:
# install from those alone, through a source list and a lists folder of this run's own, so
# nothing under /etc/apt or /var/lib/apt/lists changes.
. /etc/os-release
mirror=$("$(dirname "$0")/debian-mirror.sh")
echo "setup: apt-get update failed six times ($(grep -m1 '^E:' "$log" | cut -c1-220)); installing from" \
     "$mirror $VERSION_CODENAME and $VERSION_CODENAME-updates only, WITHOUT the security suite" >&2
dir=$($SUDO mktemp -d); trap 'rm -f "$log"; $SUDO rm -rf "$dir"' EXIT
$SUDO chmod 755 "$dir"
$SUDO mkdir -p "$dir/parts" "$dir/lists/partial"
printf 'deb %s %s main\n' "$mirror" "$VERSION_CODENAME" "$mirror" "$VERSION_CODENAME-updates" | $SUDO tee "$dir/sources.list" >/dev/null
: >"$log"
install_all -o Dir::Etc::SourceList="$dir/sources.list" -o Dir::Etc::SourceParts="$dir/parts" \
            -o Dir::State::Lists="$dir/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= ||
    fail "could not install the packages above, even without the security suite"
echo "setup: installed without the security suite, whose index could not be fetched; apt-get update && apt-get upgrade bring its updates once the mirror has settled" >&2
