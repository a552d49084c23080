#!/usr/bin/env bash
# End to end through the real web server: starts the site on a free port
# over the built programs in BIN_DIR, asks each program one question as a
# browser would, and checks the answer arrives inside the page frame.
#   site/site_test.sh BIN_DIR
# Exits 77 (skipped) when the web server or curl is not installed.
set -uo pipefail
command -v lighttpd >/dev/null && command -v curl >/dev/null || exit 77
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$1" && pwd)
run=$(mktemp -d)
stop() {
  if [[ -f $run/lighttpd.pid ]]; then kill "$(cat "$run/lighttpd.pid")"; sleep 0.2; fi
  rm -rf "$run"
}
trap stop EXIT

for try in 1 2 3 4 5 6 7 8; do
  port=$((20000 + RANDOM % 20000))
  if log=$(BIN=$bin TZ=UTC "$root/site/start.sh" "$run" "$port" --daemon 2>&1); then break; fi
  port=
done
[[ -n $port ]] || { echo "could not start the web server: $log"; exit 1; }
for _ in $(seq 50); do [[ -f $run/lighttpd.pid ]] && break; sleep 0.1; done

failures=0
passes=0
# expect PATH-AND-QUERY TEXT: the page must hold TEXT (fixed string).
expect() {
  local body
  body=$(curl -s --max-time 10 "http://127.0.0.1:$port$1")
  if [[ $body == *'<!DOCTYPE html>'* && $body == *"$2"* ]]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    printf 'FAIL %s\n  wanted: %s\n  page:\n%s\n' "$1" "$2" "$body"
  fi
}

expect '/' 'Day of the year'
expect '/cgi-bin/kestrum.pl?html=1&year=2000' $'\n2000 was a leap year.<br>\n<br>\n'
expect '/cgi-bin/kestrum.pl?date1=1%2F1%2F21&date2=7%2F1%2F21&miles1=10000&miles2=15000&year=2021' \
  'Taxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.'
expect '/cgi-bin/kestrum.pl?html=1&year=%3Cb%3E' '&lt;b&gt; was a leap year.'
expect '/cgi-bin/bolvey.pl?bizmiles=1000&rate=.5' 'Taxpayer went 1,000 business miles at $0.500/mile'
expect '/cgi-bin/roots.pl?root=3&real=8&imaginary=0' '<li>-1.00000+1.73205i</li>'
expect '/cgi-bin/circles.pl?length=2&length_num=1&length_den=2&dimension=radius' \
  'Circles radius is  2 1/2 (2.500) , diameter is  5  (5.000) <br>'
expect '/cgi-bin/quindle.pl?month=3&day=14&year=2021' 'Which is week 10 of 2021.'
expect '/cgi-bin/across.pl?r=Hello' '<td>H</td><td>e</td><td>l</td><td>l</td><td>o</td><tr>'
expect '/cgi-bin/across.pl?r=World' $' hello\n world\n'
expect '/cgi-bin/across-earlier.pl' 'Previous words have been:'
code=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/cgi-bin/frame.cgi/sh")
[[ $code == 404 ]] || { failures=$((failures + 1)); echo "FAIL frame.cgi ran an unknown program: $code"; }
# Two words counted; the earlier edition's empty request rewrites the count.
if [[ $(cat "$run/data/across.cnt") != 000002 ]]; then
  failures=$((failures + 1))
  printf 'FAIL the guest book counter holds %q\n' "$(cat "$run/data/across.cnt")"
fi
echo "site: $passes passed, $failures failed"
[[ $failures -eq 0 ]]
