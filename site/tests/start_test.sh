#!/usr/bin/env bash
# site/start.sh as an operator meets it: started as root with the build in
# a home only root can read, it serves from a tree its server's user can
# reach and refuses, before writing anything, a tree that user cannot
# reach; a second start on a served tree refuses and leaves the first
# serving untouched; the pid file that stops the server is one the server's
# user cannot rewrite.
#   site/tests/start_test.sh BUILD_DIR          a second start on a served tree
#   site/tests/start_test.sh BUILD_DIR --root   as root: the closed home, the pid file
# --root by another user is skipped (status 77) with its reason.
set -uo pipefail
if [[ ${2:-} == --root && $(id -u) -ne 0 ]]; then
  echo "skipped: a root start from a home only root can read needs root"
  exit 77
fi
export PATH=$PATH:/usr/sbin:/sbin
start=$(cd "$(dirname "$0")/.." && pwd)/start.sh
build=$(cd "$1" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
passes=0 failures=0
pass() { passes=$((passes + 1)); }
fail() {
  failures=$((failures + 1))
  echo "FAIL $*"
}
servers=()
trap 'for run in "${servers[@]}"; do kill "$(cat "$run/run/lighttpd.pid")" 2>/dev/null; done; sleep 0.5; rm -rf "$work"' EXIT

port() { echo $((20000 + RANDOM % 20000)); }
# serve RUN PORT [variables...]: starts the site on RUN in the background.
serve() {
  local run=$1 port=$2
  shift 2
  env BUILD="${BUILD:-$build}" SITE_MODE=fastcgi "$@" "$start" "$run" "$port" --daemon >"$work/start.log" 2>&1 &&
    servers+=("$run")
}
status() { curl -s -o /dev/null --max-time 10 -w '%{http_code}' "http://127.0.0.1:$1$2"; }
# Everything of a tree but the guest book's words and the server's log.
snapshot() { find "$1/conf" "$1/run" -path '*/run/user' -prune -o -printf '%p %s %T@ %U\n' | sort; cat "$1/run/lighttpd.pid"; }

run=$work/tree
p=$(port)
serve "$run" "$p" || fail "the first start: $(cat "$work/start.log")"
for _ in $(seq 50); do [[ $(status "$p" /) == 200 ]] && break; sleep 0.1; done

if [[ ${2:-} != --root ]]; then
  # A second start on the same tree, even in the other mode and on another
  # port, refuses and changes nothing of the first, which keeps answering.
  before=$(snapshot "$run")
  if serve "$run" "$(port)" SITE_MODE=cgi; then
    fail "a second start on a served tree did not refuse"
  elif ! grep -q 'already being served' "$work/start.log"; then
    fail "the second start's refusal does not say why: $(cat "$work/start.log")"
  elif [[ $(snapshot "$run") != "$before" ]]; then
    fail "the refused second start changed the first's tree"
  elif [[ $(status "$p" '/cgi-bin/roots.pl?root=3&real=8') != 200 ]]; then
    fail "the first site no longer answers after a refused second start"
  else
    pass
  fi
else
  # The stop reads a pid file in run/, which only root may write.
  [[ $(stat -c %U "$run/run/lighttpd.pid") == root ]] && ! runuser -u www-data -- test -w "$run/run" &&
    pass || fail "the server's user can rewrite the pid file that stops it: $(ls -ld "$run/run" "$run/run/lighttpd.pid")"

  # The build in a home only root can read (a clone in /root): a tree
  # inside it is refused before anything is made there, one outside is
  # served, and the guest book writes its words.
  mkdir -m 700 "$work/home"
  ln -s "$build" "$work/home/build"
  if BUILD=$work/home/build serve "$work/home/tree" "$(port)"; then
    fail "a tree www-data cannot reach was served"
  elif ! grep -q 'www-data cannot reach' "$work/start.log" || [[ -e $work/home/tree ]]; then
    fail "refusing a closed tree: $(cat "$work/start.log"; ls "$work/home")"
  else
    pass
  fi
  p=$(port)
  BUILD=$work/home/build serve "$work/open" "$p" || fail "from a closed home: $(cat "$work/start.log")"
  for _ in $(seq 50); do [[ $(status "$p" /) == 200 ]] && break; sleep 0.1; done
  [[ $(status "$p" '/cgi-bin/across.pl?r=home') == 200 ]] && grep -q ', home, ' "$work/open/data/across.log" &&
    pass || fail "the site staged from a closed home does not count a word"
fi

echo "start: $passes passed, $failures failed"
((failures == 0))
