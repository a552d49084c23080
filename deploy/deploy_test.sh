#!/usr/bin/env bash
# The site on each of its three web servers: installs the build into a
# fresh site tree, then starts Apache httpd (mod_cgi), nginx (with the frame
# workers under spawn-fcgi and multiwatch) and lighttpd (FastCGI) over it in
# turn, each on a free loopback port, asks each the same questions and
# expects the same answers: the frame's responses byte for byte as the frame
# gives them run as a plain CGI program, the static files with the site's
# headers, the servers' own errors as the site's error pages, and one
# guest-book word counted and logged.
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
[[ $(id -u) -eq 0 ]] && chown -R www-data: "$site/data" "$site/run"

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
  request "$server" missing 404 "$url/no-such-page.html" &&
    same_body "$server" missing "$site/htdocs/errors/404.html"
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
  [[ $failures -eq $ok ]] && passes=$((passes + 1)) && echo "$server: the same answers"
}

# serve SERVER PIDFILE COMMAND...: configures the tree for a free port,
# starts the server, waits until it answers, checks it and stops it.
serve() {
  local server=$1 pidfile=$2
  shift 2
  local port
  port=$(free_port)
  SITE_TZ=$zone "$root/deploy/configure.sh" "$site" "$port" fastcgi || { fail "$server: configure.sh"; return; }
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
# must at least read cleanly.
if command -v systemd-analyze >/dev/null; then
  out=$(cd "$site/conf" && systemd-analyze verify --man=no ./site-frame.socket ./site-frame.service 2>&1)
  [[ -z $out ]] || fail "systemd units: $out"
fi
start=$SECONDS
serve apache2 "$site/run/apache2.pid" apache2 -f "$site/conf/apache2.conf" -k start
pidfiles+=("$site/run/frame-workers.pid")
serve nginx "$site/run/nginx.pid" \
  sh -c "sh '$site/conf/frame-workers.sh' start && nginx -c '$site/conf/nginx.conf' -e '$site/run/nginx-error.log'"
stop_pid "$site/run/frame-workers.pid"
serve lighttpd "$site/run/lighttpd.pid" lighttpd -f "$site/conf/lighttpd.conf"
echo "three servers in $((SECONDS - start)) s"

if [[ $failures -ne 0 ]]; then
  for log in "$site"/run/*error.log; do [[ -f $log ]] && { echo "== $log"; tail -n 20 "$log"; }; done
fi
echo "deploy: $passes passed, $failures failed"
[[ $failures -eq 0 ]]
