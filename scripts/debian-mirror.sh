#!/usr/bin/env bash
# Prints the Debian mirror this machine's apt sources use, for the suites the setup installs from.
set -euo pipefail
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
         awk '/^(URIs:|deb )/ { for (i = 2; i <= NF; i++) if ($i ~ /^https?:\/\/.*\/debian\/?$/) { print $i; exit } }' || true)
echo "${mirror:-http://deb.debian.org/debian}"
