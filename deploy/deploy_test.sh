#!/usr/bin/env bash
# The site on each of its three web servers: installs the build into a
# fresh site tree, then starts Apache httpd (mod_cgi), nginx (with the frame
# workers under spawn-fcgi and multiwatch) and lighttpd (FastCGI) over it in
# turn, each on a free loopback port, asks each the same questions and
# expects the same answers: the frame's responses byte for byte as the frame
# gives them run as a plain CGI program, the static files with the site's
# headers, the servers' own errors as the site's error pages with the same
# headers, never cached, one guest-book word counted and logged, and a
# calculator answering while the guest book's pool of workers is stuck.
# Before the servers: a reinstall keeps the tree's settings and follows no
# link planted in data/, configure.sh refuses a DIR that is not a plain
# path, and the systemd units score as hardened.
#   deploy/deploy_test.sh BUILD_DIR
# A missing server fails the test.
set -uo pipefail
export PATH=$PATH:/usr/sbin:/sbin
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)

failures=0
passes=0
fail() {
  failures=$((failures + 1))
  echo "FAIL $*"
}

for tool in apache2 nginx lighttpd spawn-fcgi multiwatch curl; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[[ $failures -eq 0 ]] || exit 1

site=$(mktemp -d)
chmod 755 "$site"
work=$(mktemp -d)
pidfiles=()
# Stops whatever a pid file names and waits for it to go.
stop_pid() {
  [[ -f $1 ]] || return 0
  local pid
  pid=$(cat "$1")
  kill "$pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null
  rm -f "$1"
}
cleanup() {
  for file in "${pidfiles[@]}"; do stop_pid "$file"; done
  rm -rf "$site" "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if ! cmake --install "$build" --prefix "$site" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install"
  exit 1
fi
[[ $(id -u) -eq 0 ]] && chown -R www-data: "$site/data" "$site/run/user"

reinstall() { cmake --install "$build" --prefix "$site" --component site >"$work/install.log" 2>&1; }

# The settings: set from the tree's own configure.sh, kept by a reinstall.
"$site/conf/configure.sh" "$site" 8123 cgi >/dev/null && SITE_TZ=Europe/Dublin "$site/conf/configure.sh" "$site" >/dev/null &&
  reinstall || fail "reconfigure or reinstall: $(cat "$work/install.log")"
grep -q '^server.port = 8123$' "$site/conf/lighttpd.conf" && grep -q '"TZ" => "Europe/Dublin"' "$site/conf/lighttpd.conf" &&
  grep -q '^include "lighttpd-cgi.conf"$' "$site/conf/lighttpd.conf" ||
  fail "a reinstall did not keep the port, zone and mode: $(grep -E 'port|TZ|include' "$site/conf/lighttpd.conf")"

# A reinstall follows no link planted in data/: neither a dangling one
# where a log is missing nor one to an outside file where the counter is;
# with the links gone it makes the files anew, for data/'s owner.
mkdir "$work/outside"
echo kept >"$work/outside/count"
rm "$site/data/bad_across.log" "$site/data/across.cnt"
ln -s "$work/outside/log" "$site/data/bad_across.log"
ln -s "$work/outside/count" "$site/data/across.cnt"
reinstall || fail "reinstall over links: $(cat "$work/install.log")"
[[ ! -e $work/outside/log && $(cat "$work/outside/count") == kept && -L $site/data/bad_across.log && -L $site/data/across.cnt ]] ||
  fail "a reinstall wrote through a link in data/: $(ls -l "$work/outside" "$site/data")"
rm "$site/data/bad_across.log" "$site/data/across.cnt"
reinstall
for file in bad_across.log across.cnt; do
  [[ -f $site/data/$file && ! -L $site/data/$file && $(stat -c %U "$site/data/$file") == $(stat -c %U "$site/data") ]] ||
    fail "a reinstall did not make data/$file anew for data/'s owner"
done
# Visitors' addresses are the owner's and its group's: data/ 0750 and its
# files 0640, an older tree's brought to them by a reinstall.
chmod 755 "$site/data"
chmod 644 "$site/data/across.log"
reinstall
modes=$(stat -c '%n %a' "$site/data" "$site/data"/* | sed "s|$site/||")
[[ $modes == "data 750"$'\n'"data/across.cnt 640"$'\n'"data/across.log 640"$'\n'"data/bad_across.log 640"$'\n'"data/foul.language 640" ]] ||
  fail "data/ is open to others: $modes"

# configure.sh refuses a DIR that is not a plain path, before it writes
# anything into it: NAME | DIR, below $work.
bad_dirs=("semicolon|a;b" "space|a b" "newline|a"$'\n'"b" "quote|a\"b")
for row in "${bad_dirs[@]}"; do
  dir=$work/${row#*|}
  mkdir "$dir"
  if "$site/conf/configure.sh" "$dir" >/dev/null 2>"$work/refusal"; then
    fail "configure.sh took a DIR with a ${row%%|*}"
  elif ! grep -q 'DIR may hold only' "$work/refusal" || [[ -n $(ls -A "$dir") ]]; then
    fail "configure.sh on a DIR with a ${row%%|*}: $(cat "$work/refusal"; ls -A "$dir")"
  fi
done

# The frame's security policy (a stand-in frame's) reaches the
# configurations as the frame gives it, a sed replacement's own & and | included, and one that cannot
# stand in double quotes is refused: NAME | the policy | taken or refused.
policies=("replacement characters|form-action https://s.example/q?a=1&b=2|c|taken"
  "quote|form-action 'self\" always; x|refused" "dollar|form-action \$host|refused")
for row in "${policies[@]}"; do
  IFS='|' read -r name _ <<<"$row"
  policy=${row#*|} want=${row##*|}
  policy=${policy%|*}
  fake=$work/policy-${name// /-}
  mkdir -p "$fake/cgi-bin"
  printf '#!/bin/sh\n[ "$1" = --error-statuses ] && exec echo 404\ncat <<"EOF"\n%s\nEOF\n' "$policy" \
    >"$fake/cgi-bin/frame"
  chmod 755 "$fake/cgi-bin/frame"
  got=refused
  "$site/conf/configure.sh" "$fake" >/dev/null 2>&1 && got=taken
  if [[ $got != "$want" ]]; then
    fail "configure.sh: a policy with a $name was $got"
  elif [[ $want == taken ]] && ! grep -qxF "  \"Content-Security-Policy\" => \"$policy\"," "$fake/conf/lighttpd.conf"; then
    fail "configure.sh: the policy with a $name was not written as it stands: $(grep Content-Security "$fake/conf/lighttpd.conf")"
  elif [[ $want == refused && -e $fake/conf ]]; then
    fail "configure.sh wrote into a tree whose policy it refused"
  fi
done

# A loopback port nobody listens on.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 20000))
    (: >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
  done
  echo "$port"
}

# The frame's own response to METHOD PATH-AND-QUERY, run as a CGI program
# with the variables the servers pass, without its headers.
frame_body() {
  local method=$1 uri=$2 query=
  [[ $uri == *\?* ]] && query=${uri#*\?}
  (cd "$site/cgi-bin" && env -i TZ=$zone LANG=en_US.UTF-8 REQUEST_METHOD="$method" REQUEST_URI="$uri" \
    QUERY_STRING="$query" REMOTE_ADDR=127.0.0.1 ./frame) | sed '1,/^\r$/d'
}

# request SERVER NAME STATUS CURL-ARGS...: one request; the headers and
# body land in $work/NAME.head and $work/NAME.body.
request() {
  local server=$1 name=$2 want=$3
  shift 3
  local code
  code=$(curl -s --max-time 10 -D "$work/$name.head" -o "$work/$name.body" -w '%{http_code}' \
    "$@")
  if [[ $code != "$want" ]]; then
    fail "$server $name: status $code, wanted $want"
    return 1
  fi
}

# header_once SERVER NAME HEADER VALUE: the response carries HEADER exactly
# once, with VALUE.
header_once() {
  local lines
  lines=$(grep -i "^$3:" "$work/$2.head" | tr -d '\r')
  if [[ $lines != "$3: $4" ]]; then
    fail "$1 $2: $3 is not sent once as '$4':"$'\n'"$lines"
    return 1
  fi
}

same_body() {
  if ! cmp -s "$work/$2.body" "$3"; then
    fail "$1 $2: the body differs from $3"
    return 1
  fi
}

csp=$("$site/cgi-bin/frame" --security-policy)
zone=Asia/Kathmandu  # a zone 5:45 from UTC
site_headers() {
  header_once "$1" "$2" X-Content-Type-Options nosniff &&
    header_once "$1" "$2" Referrer-Policy same-origin &&
    header_once "$1" "$2" Content-Security-Policy "$csp" &&
    header_once "$1" "$2" Cache-Control "$3"
}

long_year=$(printf 'x%.0s' $(seq 3000))
# The compact mileage page groups digits only when the server passes LANG.
frame_requests=(
  "calculator 200 /cgi-bin/bolvey.pl?bizmiles=1234567&rate=.5"
  "unknown 404 /cgi-bin/nosuch.pl"
  "too-long 414 /cgi-bin/kestrum.pl?html=1&year=$long_year"
)
for row in "${frame_requests[@]}"; do
  read -r name _ uri <<<"$row"
  frame_body GET "$uri" >"$work/$name.want"
done
frame_body POST /cgi-bin/quindle.pl >"$work/post.want"

# The servers' own errors, each answered with the site's error page, the
# site's headers once each and never cached: NAME STATUS from lighttpd,
# nginx and apache2 ("-": not an error there) | the raw request, sent as
# it stands (a printf format) to a new connection; HTTP/1.0 where an answer
# of the frame would otherwise come chunked.
long=$(printf 'x%.0s' $(seq 9000))
error_requests=(
  "nul-byte 400 400 400|GET /\0 HTTP/1.1"
  "bad-utf8 404 404 404|GET /\303\050.html HTTP/1.1"
  "backup-file 403 403 403|GET /index.html~ HTTP/1.1"
  "post-without-length 411 405 405|POST /cgi-bin/quindle.pl HTTP/1.0"
  "long-address 431 414 414|GET /?$long HTTP/1.1"
  "long-header 431 431 400|GET / HTTP/1.1\r\nX-Long: $long"
  "unknown-method 501 405 501|FOO / HTTP/1.1"
  "static-missing 404 404 404|GET /no-such-page.html HTTP/1.1"
  "unknown-version 505 505 -|GET / HTTP/2.5"
  "unmet-expectation - - 417|GET / HTTP/1.1\r\nExpect: nothing"
  "range-past-end - - 416|GET /index.html HTTP/1.1\r\nRange: bytes=99999999-"
)
check_errors() {
  local server=$1 port=$2 column row name want request cols
  column=$(case $server in lighttpd) echo 1 ;; nginx) echo 2 ;; *) echo 3 ;; esac)
  for row in "${error_requests[@]}"; do
    read -ra cols <<<"${row%%|*}"
    name=${cols[0]} want=${cols[column]} request=${row#*|}
    [[ $want == - ]] && continue
    timeout 10 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$0" && printf "$1" >&3 && cat <&3' "$port" \
      "$request\r\nHost: localhost\r\nConnection: close\r\n\r\n" >"$work/raw" 2>/dev/null
    sed -n '1,/^\r$/p' "$work/raw" >"$work/$name.head"
    sed '1,/^\r$/d' "$work/raw" >"$work/$name.body"
    local got
    got=$(head -1 "$work/$name.head" | cut -d' ' -f2)
    [[ $got == "$want" ]] || { fail "$server $name: status '$got', wanted $want"; continue; }
    site_headers "$server" "$name" no-store &&
      header_once "$server" "$name" Content-Type 'text/html; charset=utf-8' &&
      same_body "$server" "$name" "$site/htdocs/errors/$want.html"
  done
}

# The processes whose standard input is a listening socket whose path
# begins with PREFIX: a pool's workers (and its manager).
pool_pids() {
  local inode pid
  for inode in $(awk -v p="$1" 'index($8, p) == 1 {print $7}' /proc/net/unix); do
    for pid in /proc/[0-9]*; do
      [[ $(readlink "$pid/fd/0" 2>/dev/null) == "socket:[$inode]" ]] && echo "${pid#/proc/}"
    done
  done
}

# check_pools SERVER PORT SOCKET-PREFIX: with every guest-book worker
# stopped, a calculator still answers and the guest book does not.
check_pools() {
  local server=$1 url=http://127.0.0.1:$2 pids calc guest
  pids=$(pool_pids "$3-guestbook.sock" | sort -u)
  [[ -n $pids && -n $(pool_pids "$3-calculators.sock") ]] || { fail "$server: no two pools of workers"; return; }
  kill -STOP $pids
  calc=$(curl -s -o /dev/null --max-time 5 -w '%{http_code}' "$url/cgi-bin/roots.pl?root=3&real=8")
  guest=$(curl -s -o /dev/null --max-time 1 -w '%{http_code}' "$url/cgi-bin/across-earlier.pl")
  kill -CONT $pids
  [[ $calc == 200 && $guest == 000 ]] ||
    fail "$server: with the guest book's pool stopped a calculator gave $calc and the guest book $guest"
}

# check SERVER PORT: the same questions to the server on PORT.
check() {
  local server=$1 url=http://127.0.0.1:$2 ok=$failures
  for row in "${frame_requests[@]}"; do
    read -r name code uri <<<"$row"
    request "$server" "$name" "$code" "$url$uri" &&
      site_headers "$server" "$name" "$([[ $code == 200 ]] && echo 'public, max-age=3600' || echo no-store)" &&
      same_body "$server" "$name" "$work/$name.want"
  done
  # The frame refuses a form posted to it: its 405, with the methods it
  # does answer.
  request "$server" post 405 --data 'month=3&day=14&year=2021' "$url/cgi-bin/quindle.pl" &&
    header_once "$server" post Allow 'GET, HEAD' &&
    same_body "$server" post "$work/post.want"
  request "$server" page 200 "$url/" &&
    site_headers "$server" page 'public, max-age=3600' &&
    header_once "$server" page Content-Type 'text/html; charset=utf-8' &&
    same_body "$server" page "$site/htdocs/index.html"
  request "$server" image 200 "$url/images/circles3.gif" &&
    header_once "$server" image Content-Type image/gif &&
    same_body "$server" image "$site/htdocs/images/circles3.gif"
  check_errors "$server" "$2"
  [[ $server == apache2 ]] || check_pools "$server" "$2" "$pools"
  # One word: counted once and logged with the client's address.
  local before after word=${server}word
  before=$(cat "$site/data/across.cnt")
  request "$server" word 200 "$url/cgi-bin/across.pl?r=$word" &&
    grep -q "<td>${word:0:1}</td><td>${word:1:1}</td>" "$work/word.body" ||
    fail "$server word: no letter grid in the page"
  # The greeting's time is now in the zone the server passes.
  local shown
  shown=$(grep -oE '[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}' "$work/word.body")
  shown=$(TZ=$zone date -d "$shown" +%s 2>/dev/null || echo 0)
  ((shown - $(date +%s) < 10 && $(date +%s) - shown < 10)) ||
    fail "$server word: the greeting's time is not in $zone"
  after=$(cat "$site/data/across.cnt")
  [[ $((10#$after)) -eq $((10#$before + 1)) ]] || fail "$server word: counter went $before -> $after"
  tail -n 1 "$site/data/across.log" | grep -q "^$after, $word, 127.0.0.1, " ||
    fail "$server word: not logged: $(tail -n 1 "$site/data/across.log")"
  # The site's flood limit reaches the frame through this server: a second
  # word at once is a 429 with Retry-After, counted and logged nowhere.
  request "$server" flood 429 "$url/cgi-bin/across.pl?r=${word}again" &&
    grep -qE '^Retry-After: 1[0-5]'$'\r''?$' "$work/flood.head" &&
    grep -q 'one word every 15 seconds' "$work/flood.body" ||
    fail "$server flood: no 429 with Retry-After: $(cat "$work/flood.head")"
  [[ $(cat "$site/data/across.cnt") == "$after" ]] && ! grep -q "${word}again" "$site/data/"*across.log ||
    fail "$server flood: the refused word was counted or logged"
  # The next server's word comes from the same address.
  rm -f "$site/data/across.recent"
  [[ $failures -eq $ok ]] && passes=$((passes + 1)) && echo "$server: the same answers"
}

# serve SERVER PIDFILE COMMAND...: configures the tree for a free port,
# starts the server, waits until it answers, checks it and stops it.
serve() {
  local server=$1 pidfile=$2
  shift 2
  local port
  port=$(free_port)
  SITE_TZ=$zone "$site/conf/configure.sh" "$site" "$port" fastcgi >/dev/null || { fail "$server: configure.sh"; return; }
  pidfiles+=("$pidfile")
  if ! "$@" >"$work/$server.log" 2>&1; then
    fail "$server did not start: $(cat "$work/$server.log")"
    return
  fi
  for _ in $(seq 50); do
    curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/" && break
    sleep 0.1
  done
  check "$server" "$port"
  stop_pid "$pidfile"
}

# The systemd units are not run here; where systemd's checker exists they
# must read cleanly, and each pool's service, installed with its drop-in
# into a throwaway root, must score at most 1.0 on systemd's exposure scale.
if command -v systemd-analyze >/dev/null; then
  out=$(cd "$site/conf" && systemd-analyze verify --man=no ./site-frame@guestbook.socket \
    ./site-frame@calculators.socket 2>&1)
  [[ -z $out ]] || fail "systemd units: $out"
  units=$work/units/etc/systemd/system
  mkdir -p "$units/site-frame@guestbook.service.d"
  cp "$site/conf/site-frame@.service" "$site/conf/site-frame@.socket" "$units/"
  cp "$site/conf/site-frame-guestbook-data.conf" "$units/site-frame@guestbook.service.d/data.conf"
  for pool in guestbook calculators; do
    score=$(systemd-analyze security --offline=true --root="$work/units" "site-frame@$pool.service" 2>&1 |
      sed -n 's/^.*Overall exposure level for [^:]*: \([0-9.]*\) .*$/\1/p')
    echo "site-frame@$pool.service: exposure ${score:-unknown}"
    [[ -n $score ]] && awk -v s="$score" 'BEGIN { exit !(s <= 1.0) }' ||
      fail "site-frame@$pool.service scores ${score:-nothing}, more than 1.0"
  done
fi
start=$SECONDS
serve apache2 "$site/run/apache2.pid" apache2 -f "$site/conf/apache2.conf" -k start
pidfiles+=("$site/run/frame-guestbook.pid" "$site/run/frame-calculators.pid")
pools=$site/run/frame
serve nginx "$site/run/nginx.pid" \
  sh -c "sh '$site/conf/frame-workers.sh' start && nginx -c '$site/conf/nginx.conf' -e '$site/run/nginx-error.log'"
stop_pid "$site/run/frame-guestbook.pid"
stop_pid "$site/run/frame-calculators.pid"
pools=$site/run/user/frame
serve lighttpd "$site/run/lighttpd.pid" lighttpd -f "$site/conf/lighttpd.conf"
echo "three servers in $((SECONDS - start)) s"

if [[ $failures -ne 0 ]]; then
  for log in "$site"/run/*error.log "$site"/run/user/*error.log; do [[ -f $log ]] && { echo "== $log"; tail -n 20 "$log"; }; done
fi
echo "deploy: $passes passed, $failures failed"
[[ $failures -eq 0 ]]
