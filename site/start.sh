#!/usr/bin/env bash
# Installs the built site into the tree RUN (cgi-bin/, htdocs/, data/,
# conf/, run/) and starts lighttpd on it. The guest book's words in
# RUN/data are kept from one start to the next.
#   site/start.sh RUN PORT            serve in the foreground until interrupted
#   site/start.sh RUN PORT --daemon   start in the background (stop: kill $(cat RUN/run/lighttpd.pid))
# SITE_MODE is fastcgi (persistent workers, the default) or cgi (one
# process a request); BUILD (default build) names the build directory.
# Started as root, the server drops to www-data, which then owns data/.
set -euo pipefail
export PATH=$PATH:/usr/sbin:/sbin
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD:-$root/build}" && pwd)
run=$(mkdir -p "$1" && cd "$1" && pwd)
port=$2
cmake --install "$build" --prefix "$run" >/dev/null
SITE_TZ=${TZ:-UTC} "$root/deploy/configure.sh" "$run" "$port" "${SITE_MODE:-fastcgi}"
rm -f "$run/run/frame.sock"*
if [[ $(id -u) -eq 0 ]]; then
  user=${SITE_USER:-www-data}
  chmod 755 "$run"
  chown -R "$user:" "$run/data" "$run/run"
  if ! runuser -u "$user" -- test -r "$run/htdocs/index.html"; then
    echo "start.sh: $user cannot reach $run; choose a RUN that it can traverse" >&2
    exit 1
  fi
fi
conf=$run/conf/lighttpd.conf
lighttpd -tt -f "$conf"
if [[ "${3:-}" == --daemon ]]; then
  lighttpd -f "$conf"
else
  echo "Serving http://${SITE_BIND:-127.0.0.1}:$port/ (Ctrl-C stops)"
  exec lighttpd -D -f "$conf"
fi
