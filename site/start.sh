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
# when set, becomes the site's zone; SITE_FLOOD_SECONDS and
# SITE_LOG_MAX_BYTES, when set, the guest book's limits (conf/configure.sh).
# One tree, one server: from the moment it starts until the server stops,
# a process of this script's user (not the server, which never sees the
# lock's descriptor) holds a lock on RUN, and another start on RUN refuses
# before it writes anything. Started as root, the server drops to SITE_USER
# (www-data), which then owns RUN/data and RUN/run/user and nothing else.
# RUN, its links resolved, must be a plain path (letters, digits, . _ - /).
# Before anything is written, a root start checks that the user can reach
# RUN and that nobody but root controls RUN and the folders above it
# (deploy/trusted_tree.sh); the configuration is written by this build's
# deploy/configure.sh, never by a copy inside RUN.
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
# shellcheck source=deploy/trusted_tree.sh
source "$root/deploy/trusted_tree.sh"
plain_path "$run" || die "RUN may hold only letters, digits, '.', '_', '-' and '/': $run"

if [[ $(id -u) -eq 0 ]]; then
  why=$(trusted_tree "$run" 2>&1) || die "root serves only a tree that nobody else controls: $why"
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

if [[ $(id -u) -eq 0 ]]; then
  # Made one folder at a time and each checked once there, so one that
  # another user slipped in meanwhile is refused before it is written to.
  why=$(trusted_tree "$run" --make 2>&1) || die "root serves only a tree that nobody else controls: $why"
else
  mkdir -p "$run"
fi
exec 9<"$run"
# Served already: by a server started here (it holds the lock), or by one
# started by hand (its pid file names a running lighttpd).
pid=$(cat "$run/run/lighttpd.pid" 2>/dev/null || true)
if ! flock -n 9 || [[ $pid =~ ^[0-9]+$ && $(ps -p "$pid" -o comm= 2>/dev/null) == lighttpd ]]; then
  die "$run is already being served (lighttpd $pid); stop it first with: kill \$(cat $run/run/lighttpd.pid)"
fi

cmake --install "$build" --prefix "$run" --component site >/dev/null
"$root/deploy/configure.sh" "$run" "$port" "${SITE_MODE:-fastcgi}"
if [[ $(id -u) -eq 0 ]]; then
  # A data/ still root's was made by this install, in a folder nobody else
  # writes, so handing it over follows nobody's links; one that belongs to
  # another user is left to the operator.
  owner=$(stat -c %U "$run/data")
  [[ $owner == root ]] && chown -R "$user:" "$run/data"
  [[ $owner == root || $owner == "$user" ]] || die "$run/data belongs to $owner, not $user"
  chown "$user:" "$run/run/user"
fi
rm -f "$run"/run/user/frame-*.sock* "$run/run/lighttpd.pid"
conf=$run/conf/lighttpd.conf
lighttpd -tt -f "$conf"

# The lock's keeper: a shell that inherits descriptor 9 (and with it the
# lock), runs lighttpd in the foreground without that descriptor, passes
# on a signal to stop and goes when lighttpd does. Neither lighttpd nor a
# worker of it can unlock what it never had.
keeper='
  lighttpd -D -f "$1" 9<&- &
  server=$!
  trap "kill -TERM $server 2>/dev/null" INT TERM HUP
  status=0
  while kill -0 "$server" 2>/dev/null; do wait "$server" || status=$?; done
  exit "$status"'
if [[ "${3:-}" == --daemon ]]; then
  # The keeper in a session of its own, as a daemon, its output in run/;
  # the start succeeds once the pid file names the running lighttpd.
  out=$run/run/lighttpd-start.log
  setsid -w bash -c "$keeper" keeper "$conf" </dev/null >"$out" 2>&1 &
  keeper_pid=$!
  exec 9<&-
  for _ in $(seq 100); do
    pid=$(cat "$run/run/lighttpd.pid" 2>/dev/null || true)
    [[ $pid =~ ^[0-9]+$ && $(readlink "/proc/$pid/exe" 2>/dev/null) == */lighttpd ]] && exit 0
    kill -0 "$keeper_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$out" >&2
  kill "$keeper_pid" 2>/dev/null
  die "lighttpd did not start on $run"
else
  echo "Serving http://$(sed -n 's/^SITE_BIND=//p' "$run/conf/site.env"):$port/ from $run (Ctrl-C stops)"
  exec bash -c "$keeper" keeper "$conf"
fi
