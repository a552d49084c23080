#!/usr/bin/env bash
# Installs the Debian packages that building, testing and serving need, when
# any is missing, and generates the en_US.UTF-8 locale. As root it runs
# apt-get itself; otherwise it prints the command to run and fails.
#   build: cmake, g++, ninja, GoogleTest, libfcgi (the frame's FastCGI
#     mode), stb (chip images), expat (the figure tests' XML parser),
#     Pillow (the pictures), clang with its fuzzer runtime
#   serve and test: lighttpd, nginx, apache2, spawn-fcgi and multiwatch,
#     the cgi-fcgi client, curl, Chromium with its driver and selenium,
#     npm (the browser test's accessibility checker)
set -euo pipefail

packages=(cmake g++ ninja-build libgtest-dev locales tzdata coreutils
  libfcgi-dev libfcgi-bin libstb-dev libexpat1-dev python3 python3-pil
  clang libclang-rt-14-dev
  lighttpd nginx apache2 spawn-fcgi multiwatch curl
  chromium chromium-driver python3-selenium)
# npm installs the browser test's accessibility checker into the build
# tree; an npm that came with another build of Node.js does as well.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
# en_US.UTF-8 groups the mileage pages' digits; de_DE.UTF-8, with its
# decimal comma, shows in the tests that no locale leaks between requests.
locales=(en_US de_DE)
have_locale() {
  local l
  for l in "${locales[@]}"; do locale -a 2>/dev/null | grep -qix "$l.utf8" || return 1; done
}

if [[ ${#missing[@]} -eq 0 ]] && have_locale; then exit 0; fi

if [[ $(id -u) -ne 0 ]]; then
  have_locale || missing+=("(the en_US.UTF-8 and de_DE.UTF-8 locales)")
  echo "Missing: ${missing[*]}" >&2
  echo "Run as root: scripts/deps.sh   (or: sudo scripts/deps.sh)" >&2
  exit 1
fi

if [[ ${#missing[@]} -gt 0 ]]; then
  export DEBIAN_FRONTEND=noninteractive
  # The web servers' packages would start system services on port 80 (and
  # fail on each other); the site runs its own servers, so keep them off.
  policy=/usr/sbin/policy-rc.d
  added_policy=
  if [[ ! -e $policy ]]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && added_policy=1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  [[ -z $added_policy ]] || rm -f "$policy"
fi

if ! have_locale; then
  for l in "${locales[@]}"; do
    if grep -q "^# *$l.UTF-8 UTF-8" /etc/locale.gen; then
      sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    elif ! grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$l.UTF-8 UTF-8" >>/etc/locale.gen
    fi
  done
  locale-gen >/dev/null
fi
