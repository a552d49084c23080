#!/usr/bin/env bash
# site/start.sh as an operator meets it: started as root with the build in
# a home only root can read, it serves from a tree its server's user can
# reach and refuses, before writing anything, a tree that user cannot
# reach or that another user controls; a second start on a served tree, or
# on one still starting, refuses and leaves the first untouched; the lock
# is held by no process of the server; the pid file that stops the server
# is one the server's user cannot rewrite.
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
snapshot() {
  find "$1/conf" "$1/run" -path '*/run/user' -prune -o -printf '%p %s %T@ %U\n' | sort
  cat "$1/run/lighttpd.pid" 2>/dev/null
}
# refuses_second RUN: a second start on RUN, in the other mode and on
# another port, refuses, says why and changes nothing of RUN.
refuses_second() {
  local before
  before=$(snapshot "$1")
  if serve "$1" "$(port)" SITE_MODE=cgi; then
    fail "a second start on $1 did not refuse"
  elif ! grep -q 'already being served' "$work/start.log"; then
    fail "the second start's refusal does not say why: $(cat "$work/start.log")"
  elif [[ $(snapshot "$1") != "$before" ]]; then
    fail "the refused second start changed the first's tree"
  else
    return 0
  fi
  return 1
}

run=$work/tree
p=$(port)
serve "$run" "$p" || fail "the first start: $(cat "$work/start.log")"
for _ in $(seq 50); do [[ $(status "$p" /) == 200 ]] && break; sleep 0.1; done

# The lock on the tree is held, and only by processes of the user who
# started it that are neither lighttpd nor a frame worker: a server's
# process could drop it.
holders=$(for fd in /proc/[0-9]*/fd/*; do
  [[ $(readlink "$fd" 2>/dev/null) == "$run" ]] && { fd=${fd#/proc/}; echo "${fd%%/*}"; }
done | sort -u)
bad=
for pid in $holders; do
  [[ $(stat -c %u "/proc/$pid") == $(id -u) && $(readlink "/proc/$pid/exe") != */lighttpd &&
    $(readlink "/proc/$pid/exe") != */frame ]] || bad+=" $pid:$(cat "/proc/$pid/comm")"
done
[[ -n $holders && -z $bad ]] && pass || fail "the lock on the tree is held by '$holders' (of the server:$bad)"

if [[ ${2:-} != --root ]]; then
  # A second start on the same tree refuses and changes nothing of the
  # first, which keeps answering.
  if refuses_second "$run"; then
    [[ $(status "$p" '/cgi-bin/roots.pl?root=3&real=8') == 200 ]] && pass ||
      fail "the first site no longer answers after a refused second start"
  fi

  # So does one while the first is still starting: held just before it
  # tests its configuration (its lighttpd waits for a file to appear), the
  # first has installed and configured the tree; once let go it comes up on
  # its own port.
  stall=$work/stall
  mkdir "$stall"
  printf '#!/bin/sh\nif [ "$1" = -tt ]; then : >%s/stalled; while [ ! -e %s/go ]; do sleep 0.1; done; fi\nexec %s "$@"\n' \
    "$work" "$work" "$(command -v lighttpd)" >"$stall/lighttpd"
  chmod 755 "$stall/lighttpd"
  starting=$work/starting
  p=$(port)
  env BUILD="$build" SITE_MODE=fastcgi PATH="$stall:$PATH" "$start" "$starting" "$p" --daemon >"$work/first.log" 2>&1 &
  first=$!
  servers+=("$starting")
  for _ in $(seq 300); do [[ -e $work/stalled ]] && break; sleep 0.1; done
  if [[ ! -e $work/stalled ]]; then
    fail "the first start never reached its configuration test: $(cat "$work/first.log")"
  elif refuses_second "$starting"; then
    : >"$work/go"
    if ! wait "$first"; then
      fail "the first start failed after a refused second one: $(cat "$work/first.log")"
    else
      for _ in $(seq 50); do [[ $(status "$p" /) == 200 ]] && break; sleep 0.1; done
      [[ $(status "$p" /) == 200 ]] && pass || fail "the first start does not serve on its port after a refused second one"
    fi
  fi
  : >"$work/go"
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
  # Trees another user controls, refused before anything is written
  # there: NAME | FOLDER made below $work | its owner | its mode | the tree.
  # The tests' own $work sits in the sticky /tmp, which is fine.
  refused=(
    "another user's tree|theirs|nobody|755|theirs"
    "a tree in another user's folder|their-folder|nobody|755|their-folder/tree"
    "a tree in a folder others may write|open-folder|root|777|open-folder/tree"
    "a tree whose run/ is another user's|their-run/run|nobody|755|their-run"
    "a tree whose conf/ others may write|open-conf/conf|root|777|open-conf"
  )
  for row in "${refused[@]}"; do
    IFS='|' read -r name folder owner mode tree <<<"$row"
    mkdir -p "$work/$folder"
    chown "$owner" "$work/$folder"
    chmod "$mode" "$work/$folder"
    top=$work/${folder%%/*}
    before=$(find "$top" -printf '%p %U %m\n' | sort)
    if serve "$work/$tree" "$(port)"; then
      fail "$name was served"
    elif ! grep -q 'nobody else controls' "$work/start.log" || [[ $(find "$top" -printf '%p %U %m\n' | sort) != "$before" ]]; then
      fail "refusing $name: $(cat "$work/start.log"; find "$top")"
    else
      pass
    fi
  done

  p=$(port)
  BUILD=$work/home/build serve "$work/open" "$p" || fail "from a closed home: $(cat "$work/start.log")"
  for _ in $(seq 50); do [[ $(status "$p" /) == 200 ]] && break; sleep 0.1; done
  [[ $(status "$p" '/cgi-bin/across.pl?r=home') == 200 ]] && grep -q ', home, ' "$work/open/data/across.log" &&
    pass || fail "the site staged from a closed home does not count a word"
fi

echo "start: $passes passed, $failures failed"
((failures == 0))
