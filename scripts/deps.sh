#!/usr/bin/env bash
# Installs the Debian packages that building and serving need, and with
# "tests" (or no argument) those the tests need too, when any is missing;
# generates the en_US.UTF-8 and de_DE.UTF-8 locales. Run it as root; run as
# another user it names what is missing and fails.
#   scripts/deps.sh          everything: building, serving and the tests
#   scripts/deps.sh serve    building and serving alone (scripts/serve.sh)
set -euo pipefail
[[ $# -le 1 && ${1:-tests} =~ ^(serve|tests)$ ]] || { echo "usage: deps.sh [serve|tests]" >&2; exit 2; }

# The deliverables and formlib: the compiler, CMake and both generators.
build=(cmake g++ make ninja-build)
# The site layer: libfcgi (the frame's FastCGI mode), libseccomp (its
# system call filter), stb (chip images), Pillow (the pictures), the zones
# and locales the pages read, and the server the site is served through.
site=(libfcgi-dev libseccomp-dev libstb-dev python3 python3-pil locales tzdata lighttpd)
# The tests: GoogleTest, expat (the figure tests' XML parser), clang with its
# fuzzer runtime, the other web servers, spawn-fcgi and multiwatch, the
# cgi-fcgi client, curl, Chromium with its driver and selenium.
tests=(libgtest-dev libexpat1-dev coreutils clang libclang-rt-14-dev
  nginx apache2 spawn-fcgi multiwatch libfcgi-bin curl
  chromium chromium-driver python3-selenium)
packages=("${build[@]}" "${site[@]}")
if [[ ${1:-tests} == tests ]]; then
  packages+=("${tests[@]}")
  # npm installs the browser test's accessibility checker into the build
  # tree; an npm that came with another build of Node.js does as well.
  command -v npm >/dev/null || packages+=(npm)
fi

# The web servers' boot services and the packages that bring them. The site
# starts its own servers; a service this script installs is kept from
# starting at boot (all three want port 80). Those installed before are left
# as they are.
declare -A service_package=([apache2]=apache2 [lighttpd]=lighttpd [nginx]=nginx-common)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
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
  echo "Run scripts/deps.sh as root once, then this command again." >&2
  exit 1
fi

if [[ ${#missing[@]} -gt 0 ]]; then
  new_services=()
  for s in "${!service_package[@]}"; do
    installed "${service_package[$s]}" || new_services+=("$s")
  done
  export DEBIAN_FRONTEND=noninteractive
  # Nor may the packages start the services now, on port 80 and on each other.
  # The policy this script adds goes on every way out, a failed or
  # interrupted apt-get's too: left behind, it would keep every later
  # package's service from starting. One that was there is left alone.
  policy=/usr/sbin/policy-rc.d
  if [[ ! -e $policy && ! -L $policy ]]; then
    trap 'rm -f "$policy"' EXIT
    trap 'exit 1' INT TERM HUP
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod 755 "$policy"
  fi
  echo "deps.sh: installing ${#missing[@]} packages and what they depend on"
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
  # update-rc.d turns off both the init script and the systemd unit, with
  # or without systemd running.
  for s in "${new_services[@]}"; do
    if installed "${service_package[$s]}"; then
      update-rc.d "$s" disable
      echo "deps.sh: $s installed, and kept from starting at boot"
    fi
  done
fi

if ! have_locale; then
  for l in "${locales[@]}"; do
    if grep -q "^# *$l.UTF-8 UTF-8" /etc/locale.gen; then
      sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    elif ! grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$l.UTF-8 UTF-8" >>/etc/locale.gen
    fi
  done
  locale-gen
fi
