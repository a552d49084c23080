#!/usr/bin/env bash
# Lays out a run directory for the local site and starts the web server on
# it: RUN/cgi-bin holds the frame, RUN/data the guest book's files.
#   site/start.sh RUN PORT            serve in the foreground until interrupted
#   site/start.sh RUN PORT --daemon   start in the background (stop: kill $(cat RUN/lighttpd.pid))
# BIN (default build/bin) names the directory of the built programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run=$(mkdir -p "$1" && cd "$1" && pwd)
port=$2
mkdir -p "$run/cgi-bin" "$run/data"
cp "$root/site/frame.cgi" "$run/cgi-bin/frame.cgi"
[[ -e "$run/data/foul.language" ]] || cp "$root/site/foul.language" "$run/data/foul.language"

export SITE_ROOT="$root/site" SITE_RUN="$run" SITE_PORT="$port"
export SITE_BIN=$(cd "${BIN:-$root/build/bin}" && pwd)
export SITE_BIND=${SITE_BIND:-127.0.0.1} SITE_TZ=${TZ:-UTC}
lighttpd -tt -f "$root/site/lighttpd.conf"
if [[ "${3:-}" == --daemon ]]; then
  lighttpd -f "$root/site/lighttpd.conf"
else
  echo "Serving http://$SITE_BIND:$port/ (Ctrl-C stops)"
  exec lighttpd -D -f "$root/site/lighttpd.conf"
fi
