#!/usr/bin/env bash
# Installs the built site into the tree RUN (cgi-bin/, htdocs/, data/,
# conf/, run/) and starts lighttpd on it. The guest book's words in
# RUN/data and the settings in RUN/conf/site.env are kept from one start to
# the next.
#   site/start.sh RUN PORT            serve in the foreground until interrupted
#   site/start.sh RUN PORT --daemon   start in the background
#   kill $(cat RUN/run/lighttpd.pid)  stop the background server
# SITE_MODE is fastcgi (persistent workers, the default) or cgi (one
# process a request); BUILD (default build) names the build directory; TZ,
# when set, becomes the site's zone.
# One tree, one server: the server started here holds a lock on RUN for as
# long as it runs, and another start on RUN refuses before it writes
# anything. Started as root, the server drops to SITE_USER (www-data), which
# then owns RUN/data and RUN/run/user and nothing else; whether that user can
# reach RUN is checked before anything is written.
set -euo pipefail
export PATH=$PATH:/usr/sbin:/sbin
umask 022
die() {
  echo "start.sh: $*" >&2
  exit 1
}
[[ $# -ge 2 ]] || die "usage: start.sh RUN PORT [--daemon]"
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD:-$root/build}" && pwd)
run=$(realpath -m -- "$1")
port=$2
[[ -n ${TZ:-} ]] && export SITE_TZ=$TZ

if [[ $(id -u) -eq 0 ]]; then
  user=${SITE_USER:-$(sed -n 's/^SITE_USER=//p' "$run/conf/site.env" 2>/dev/null || true)}
  user=${user:-www-data}
  export SITE_USER=$user
  id -u "$user" >/dev/null 2>&1 || die "there is no user $user to run the server as (SITE_USER)"
  # The deepest folder of RUN that exists already; the ones made below it
  # are open to everyone.
  reach=$run
  while [[ ! -e $reach ]]; do reach=$(dirname "$reach"); done
  runuser -u "$user" -- test -x "$reach" ||
    die "$user cannot reach $reach, so it could not serve $run; choose a RUN it can reach (RUN=/srv/site scripts/serve.sh)"
fi

mkdir -p "$run"
exec 9<"$run"
# Served already: by a server started here (it holds the lock), or by one
# started by hand (its pid file names a running lighttpd).
pid=$(cat "$run/run/lighttpd.pid" 2>/dev/null || true)
if ! flock -n 9 || [[ $pid =~ ^[0-9]+$ && $(ps -p "$pid" -o comm= 2>/dev/null) == lighttpd ]]; then
  die "$run is already being served (lighttpd $pid); stop it first with: kill \$(cat $run/run/lighttpd.pid)"
fi

if [[ $(id -u) -eq 0 ]]; then
  # run/ holds the pid files and must be root's: a run/ that belongs to the
  # server's user (a tree served before run/user/ existed) is made anew.
  if [[ -d $run/run && $(stat -c %u "$run/run") != 0 ]]; then rm -rf -- "$run/run"; fi
fi
cmake --install "$build" --prefix "$run" --component site >/dev/null
"$run/conf/configure.sh" "$run" "$port" "${SITE_MODE:-fastcgi}"
if [[ $(id -u) -eq 0 ]]; then
  # A data/ still root's was made by this install, in a folder nobody else
  # writes, so handing it over follows nobody's links; one that belongs to
  # another user is left to the operator.
  owner=$(stat -c %U "$run/data")
  [[ $owner == root ]] && chown -R "$user:" "$run/data"
  [[ $owner == root || $owner == "$user" ]] || die "$run/data belongs to $owner, not $user"
  chown "$user:" "$run/run/user"
fi
rm -f "$run"/run/user/frame-*.sock*
conf=$run/conf/lighttpd.conf
lighttpd -tt -f "$conf"
# The server inherits descriptor 9 and with it the lock on RUN.
if [[ "${3:-}" == --daemon ]]; then
  lighttpd -f "$conf"
else
  echo "Serving http://$(sed -n 's/^SITE_BIND=//p' "$run/conf/site.env"):$port/ from $run (Ctrl-C stops)"
  exec lighttpd -D -f "$conf"
fi
