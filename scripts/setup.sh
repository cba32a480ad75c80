#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          wine wine32:i386 xvfb x11-apps x11-utils imagemagick socat netcat-openbsd bc iproute2 procps)
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    # A mirror caught mid-sync serves an index of the wrong size; it settles within minutes.
    for try in 1 2 3 4 5 6; do
        if $SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive \
               $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
            break
        fi
        [ "$try" -lt 6 ] || exit 1
        echo "setup: apt failed (try $try); again in 30 s"; sleep 30
    done
fi
