#!/usr/bin/env bash
# scripts/deps.sh keeps new services from starting only while it installs:
# the policy-rc.d it adds is gone once it has ended, when apt-get failed
# too. Run as root in a mount namespace of its own, over an empty
# /usr/sbin, with apt-get and dpkg-query stood in for (every package
# missing, apt-get failing), so the machine's own policy is never touched.
# Another user is skipped (status 77) with its reason.
set -uo pipefail
if [[ $(id -u) -ne 0 ]] || ! command -v unshare >/dev/null; then
  echo "skipped: replacing /usr/sbin in a mount namespace needs root and unshare"
  exit 77
fi
deps=$(cd "$(dirname "$0")" && pwd)/deps.sh
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$stubs/dpkg-query"
printf '#!/bin/sh\n[ -e /usr/sbin/policy-rc.d ] && echo "policy during apt-get $1" >>%s/seen\nexit 100\n' \
  "$stubs" >"$stubs/apt-get"
chmod 755 "$stubs/dpkg-query" "$stubs/apt-get"
left=$(unshare -m --propagation private bash -c 'mount -t tmpfs none /usr/sbin &&
  PATH=$1:$PATH bash "$2" >/dev/null 2>&1; echo "status $?"; ls -A /usr/sbin' _ "$stubs" "$deps")
if [[ $left != "status 100" ]]; then
  echo "FAIL deps.sh left behind, after a failed apt-get: $left"
  exit 1
elif [[ $(cat "$stubs/seen" 2>/dev/null) != "policy during apt-get update" ]]; then
  echo "FAIL deps.sh did not hold new services back while apt-get ran"
  exit 1
fi
echo "deps: the policy held for apt-get and removed after its failure"
