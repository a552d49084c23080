#!/usr/bin/env bash
# Installs the Debian packages that building, testing and serving need, when
# any is missing, and generates the en_US.UTF-8 locale. As root it runs
# apt-get itself; otherwise it prints the command to run and fails. The web
# server and curl are there for serving the site and its end-to-end test.
set -euo pipefail

packages=(cmake g++ ninja-build libgtest-dev locales tzdata coreutils lighttpd curl)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
have_locale() { locale -a 2>/dev/null | grep -qix 'en_US.utf8'; }

if [[ ${#missing[@]} -eq 0 ]] && have_locale; then exit 0; fi

if [[ $(id -u) -ne 0 ]]; then
  have_locale || missing+=("(the en_US.UTF-8 locale)")
  echo "Missing: ${missing[*]}" >&2
  echo "Run as root: scripts/deps.sh   (or: sudo scripts/deps.sh)" >&2
  exit 1
fi

if [[ ${#missing[@]} -gt 0 ]]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! have_locale; then
  if grep -q '^# *en_US.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'en_US.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null
fi
