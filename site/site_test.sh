#!/usr/bin/env bash
# End to end through the real web server, once with one frame process a
# request (cgi) and once with persistent workers (fastcgi): the answers of
# every program inside the site's document, the framed errors, the headers
# of pages, errors and static files, requests that must not touch the guest
# book's data, a crawl of every address the site links to, and the guest
# book under concurrent visitors.
#   site/site_test.sh BUILD_DIR
# Fails when lighttpd or curl is missing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
# shellcheck source=tests/serve_for_test.sh
source "$here/tests/serve_for_test.sh"

scratch=$(mktemp -d)
trap 'serve_stop; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

passes=0
failures=0
mode=
pass() { passes=$((passes + 1)); }
fail() {
  failures=$((failures + 1))
  printf 'FAIL [%s] %s\n' "$mode" "$*"
}

# fetch METHOD PATH [curl options...]: the response's body in $scratch/body,
# its headers in $scratch/head; prints the status code.
fetch() {
  local method=$1 path=$2
  shift 2
  rm -f "$scratch/body" "$scratch/head"
  curl -s --max-time 20 -X "$method" -o "$scratch/body" -D "$scratch/head" \
    -w '%{http_code}' "$@" "$base$path"
}
# The value of header NAME in the last response (no CR).
header() { sed -n "s/^$1: *//Ip" "$scratch/head" | tr -d '\r' | head -1; }
framed() {
  grep -qF '<!DOCTYPE html>' "$scratch/body" && grep -qF '<a href="/">All tools</a>' "$scratch/body"
}

security_policy=$("$build/bin/frame" --security-policy)
case $security_policy in
  *unsafe-inline*) fail "the security policy allows inline code: $security_policy" ;;
  *"frame-ancestors 'none'"*) ;;
  *) fail "the security policy lets other sites frame the pages: $security_policy" ;;
esac

# The answers: NAME ADDRESS TEXT... -- the page is the site's document, 200,
# and holds every TEXT. Answer addresses also seed the crawl.
seeds=(/)
answer() {
  local name=$1 path=$2 text code
  shift 2
  seeds+=("$path")
  code=$(fetch GET "$path")
  [[ $code == 200 ]] && framed || { fail "answer $name: status $code or not framed"; return; }
  for text in "$@"; do
    grep -qF -- "$text" "$scratch/body" || { fail "answer $name: no \"$text\" in $path"; return; }
  done
  pass
}

check_answers() {
  local figure='<figure class="answer-figure"'
  answer kestrum-leap-html '/cgi-bin/kestrum.pl?html=1&year=2000' '2000 was a leap year.<br>'
  answer kestrum-mileage '/cgi-bin/kestrum.pl?date1=1%2F1%2F21&date2=7%2F1%2F21&miles1=10000&miles2=15000&year=2021' \
    '01/01/2021 10,000 miles;' 'Taxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  Extrapolating gives us 10,083 miles in 2021.'
  answer kestrum-two-dates-html '/cgi-bin/kestrum.pl?html=1&date1=12%2F25%2F2020&date2=2%2F30%2F21' \
    '12/25/2020 was day 360 of the year and fell on a Friday.' '3/2/2021 was day 61 of the year and fell on a Tuesday.' \
    'There were 67 days between 12/25/2020 and 3/2/2021.' "$figure"
  answer kestrum-escaped-year '/cgi-bin/kestrum.pl?html=1&year=%3Cb%3E' '&lt;b&gt; was a leap year.'
  answer bolvey-expense '/cgi-bin/bolvey.pl?bizmiles=1000&rate=.5' \
    'Taxpayer went 1,000 business miles at $0.500/mile for a maximum expense of about $500.00.'
  answer bolvey-two-dates '/cgi-bin/bolvey.pl?date1=1%2F1%2F21&date2=7%2F1%2F21' \
    '1/1/21 was day 1 of the year and fell on a Friday.' 'There were 181 days between 1/1/21 and 7/1/21.' "$figure"
  answer roots-cube-of-8 '/cgi-bin/roots.pl?root=3&real=8&imaginary=0' \
    '<li>2.00000+0.00000i</li>' '<li>-1.00000+1.73205i</li>' '<li>-1.00000-1.73205i</li>' "$figure"
  answer roots-225-degrees '/cgi-bin/roots.pl?root=3&real=-1&imaginary=-1' '<li>-1.08421-0.29051i</li>'
  answer roots-too-many '/cgi-bin/roots.pl?root=10001&real=1' 'Too many roots to list'
  answer circles-fraction '/cgi-bin/circles.pl?length=2&length_num=1&length_den=2&dimension=radius' \
    'Circles radius is  2 1/2 (2.500) , diameter is  5  (5.000) <br>' \
    'Area inside the circle is about  19 5/8 (19.635)  square units.<br>' "$figure"
  answer circles-diameter '/cgi-bin/circles.pl?length=10&dimension=diameter' \
    'Circles radius is  5  (5.000) , diameter is  10  (10.000) <br>'
  answer circles-zero-denominator '/cgi-bin/circles.pl?length=3&length_num=1&length_den=0&dimension=radius' \
    'The denominator may not be 0.'
  answer quindle-christmas '/cgi-bin/quindle.pl?month=12&day=25&year=2020' \
    'Friday,  December 25, 2020 is day 360 of 2020.' 'Which is week 51 of 2020.' "$figure"
  answer quindle-week-53 '/cgi-bin/quindle.pl?month=1&day=1&year=2021' 'Which is week 53 of 2020.'
  answer quindle-month-13 '/cgi-bin/quindle.pl?month=13&day=1&year=2021' \
    'Error: Month, day and year should be positive integers.'
  answer across-word '/cgi-bin/across.pl?r=Hello' 'Original input was: Hello<br>' \
    '<td>H</td><td>e</td><td>l</td><td>l</td><td>o</td><tr>' ' hello'
  answer across-refused '/cgi-bin/across.pl?r=darn' "But please don't use punctuation or foul language here!!"
  answer across-earlier '/cgi-bin/across-earlier.pl?r=Earlier' 'Previous words have been:' ' hello'
  # An answer address asked nothing shows its form under a prompt.
  answer across-asked-nothing '/cgi-bin/across.pl' 'Fill in the form to get an answer.' \
    '<form action="/cgi-bin/across.pl">'
  answer source '/cgi-bin/source.pl?s=../sources/across' 'Source of the guest book' '#include &lt;'
}

# The errors: NAME METHOD ADDRESS STATUS [curl options...] -- the site's
# framed document for STATUS with the security headers, never cached,
# whether the frame or lighttpd itself answers.
error_case() {
  local name=$1 method=$2 path=$3 status=$4 code
  shift 4
  code=$(fetch "$method" "$path" "$@")
  [[ $code == "$status" ]] || { fail "error $name: $method $path gave $code, not $status"; return; }
  framed && grep -qF "<title>$status " "$scratch/body" || { fail "error $name: not the framed $status page"; return; }
  [[ $status != 405 || $(header Allow) == 'GET, HEAD' ]] || { fail "error $name: Allow is '$(header Allow)'"; return; }
  check_headers "error $name" 'text/html; charset=utf-8' no-store && pass
}

# check_headers NAME TYPE CACHE: the last response's type, security headers
# and Cache-Control (CACHE exactly; empty: any value).
check_headers() {
  local name=$1 type=$2 cache=$3 got h
  local -A want=([Content-Type]=$type [X-Content-Type-Options]=nosniff
                 [Referrer-Policy]=same-origin [Content-Security-Policy]=$security_policy)
  [[ -n $cache ]] && want[Cache-Control]=$cache
  for h in "${!want[@]}"; do
    got=$(header "$h")
    [[ $got == "${want[$h]}" ]] || { fail "$name: $h is '$got', not '${want[$h]}'"; return 1; }
  done
  [[ -n $(header Cache-Control) ]] || { fail "$name: no Cache-Control"; return 1; }
}

check_errors() {
  local long='html=1&year=2000&pad='
  long+=$(printf '%*s' $((2047 - ${#long})) '' | tr ' ' x)
  error_case unknown-program GET /cgi-bin/sh.pl 404
  error_case frame-itself GET /cgi-bin/frame 404
  error_case source-of-other-file GET '/cgi-bin/source.pl?s=../data/across.log' 404
  error_case static-missing GET /no-such-page.html 404
  error_case post-a-form POST /cgi-bin/quindle.pl 405 --data 'month=1&day=1&year=2021'
  error_case post-without-length POST /cgi-bin/quindle.pl 411
  error_case put-a-page PUT /cgi-bin/roots.pl 405
  error_case dates-query-2048 GET "/cgi-bin/kestrum.pl?${long}y" 414
  error_case compact-query-2048 GET "/cgi-bin/bolvey.pl?${long}y" 414
  # One byte less is still answered.
  answer dates-query-2047 "/cgi-bin/kestrum.pl?$long" '2000 was a leap year.'
  if [[ $mode == cgi ]]; then
    # A frame the server cannot run: lighttpd's own 500, the site's page.
    chmod 644 "$SERVE_RUN/cgi-bin/frame"
    error_case frame-not-executable GET /cgi-bin/quindle.pl 500
    chmod 755 "$SERVE_RUN/cgi-bin/frame"
  fi
}

# NAME ADDRESS TYPE CACHE: a 200 answer with the site's headers.
headers_case() {
  local code
  code=$(fetch GET "$2")
  [[ $code == 200 ]] || { fail "headers $1: status $code"; return; }
  check_headers "headers $1" "$3" "$4" && pass
}

check_headers_of_responses() {
  headers_case page '/cgi-bin/quindle.pl?month=3&day=14&year=2021' 'text/html; charset=utf-8' 'public, max-age=3600'
  headers_case guest-book '/cgi-bin/across.pl?r=Cached' 'text/html; charset=utf-8' no-store
  headers_case static-page /index.html 'text/html; charset=utf-8' ''
  headers_case style-sheet /site.css 'text/css; charset=utf-8' ''
  headers_case script /site.js 'text/javascript; charset=utf-8' ''
  headers_case picture /images/calendar.png image/png ''
}

# Every file of the data directory, with its size and checksum.
data_state() { (cd "$SERVE_RUN/data" && find . -type f -printf '%p %s\n' | sort && find . -type f -exec sha256sum {} + | sort); }

# Only GET runs a page: HEAD, POST and DELETE of a word change no data.
check_methods_keep_data() {
  local before method want code
  before=$(data_state)
  for method in HEAD POST DELETE; do
    want=405
    [[ $method == HEAD ]] && want=200
    if [[ $method == HEAD ]]; then
      code=$(curl -s --max-time 20 -I -o /dev/null -w '%{http_code}' "$base/cgi-bin/across.pl?r=word")
    else
      code=$(fetch "$method" '/cgi-bin/across.pl?r=word' --data r=word)
    fi
    [[ $code == "$want" ]] && pass || fail "$method of a word: status $code, not $want"
  done
  [[ $(data_state) == "$before" ]] && pass || fail "HEAD, POST or DELETE changed the guest book's data"
}

# resolve PAGE REF: the same-origin path (and query) REF names on PAGE, or
# "outside REF" for another origin.
resolve() {
  local page=$1 ref=${2//&amp;/&} path query='' joined
  local -a parts kept=()
  ref=${ref%%#*}
  if [[ -z $ref ]]; then echo "$page"; return; fi
  if [[ $ref == "$base" || $ref == "$base"/* ]]; then
    ref=${ref#"$base"}
    ref=${ref:-/}
  elif [[ $ref == //* || $ref =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]]; then
    echo "outside $ref"
    return
  fi
  [[ $ref == /* ]] || { page=${page%%\?*}; ref=${page%/*}/$ref; }
  path=${ref%%\?*}
  [[ $ref == *\?* ]] && query="?${ref#*\?}"
  IFS=/ read -ra parts <<<"$path"
  for part in "${parts[@]}"; do
    case $part in
      '' | .) ;;
      ..) ((${#kept[@]})) && unset 'kept[-1]' ;;
      *) kept+=("$part") ;;
    esac
  done
  joined=$(IFS=/ && echo "${kept[*]}")
  [[ $path == */ && -n $joined ]] && joined+=/
  echo "/$joined$query"
}

# The crawl: from the index and every answer page, each link, picture,
# style sheet and form action of the site answers 200; pages are read for
# more. Outside addresses must be the guest book's configured ones.
check_crawl() {
  local -A seen=() from=() outside=()
  local -a level=("${seeds[@]}") next names
  local page ref target n code type allowed count=0 broken=0 u
  for u in "${level[@]}"; do seen[$u]=1 from[$u]=seed; done
  mkdir -p "$scratch/crawl"
  while ((${#level[@]})); do
    : >"$scratch/crawl.cfg"
    names=()
    for u in "${level[@]}"; do
      n=${#names[@]}
      names+=("$u")
      printf 'url = "%s"\noutput = "%s/crawl/%d"\n' "$base$u" "$scratch" "$n" >>"$scratch/crawl.cfg"
    done
    next=()
    n=0
    while read -r code type; do
      page=${names[n]}
      count=$((count + 1))
      if [[ $code != 200 ]]; then
        broken=$((broken + 1))
        fail "crawl: $page (linked from ${from[$page]}) answers $code"
      elif [[ $type == text/html* ]]; then
        while IFS= read -r ref; do
          ref=${ref#*=}
          target=$(resolve "$page" "${ref:1:-1}")
          if [[ $target == outside* ]]; then
            outside[${target#outside }]=$page
          elif [[ -z ${seen[$target]:-} ]]; then
            seen[$target]=1 from[$target]=$page
            next+=("$target")
          fi
        done < <(grep -oE '\b(href|src|action)=("[^"]*"|'"'[^']*')" "$scratch/crawl/$n")
      fi
      n=$((n + 1))
    done < <(curl -s --max-time 20 -K "$scratch/crawl.cfg" -w '%{http_code} %{content_type}\n')
    ((n == ${#names[@]})) || { fail "crawl: $n answers for ${#names[@]} addresses"; return; }
    level=("${next[@]}")
  done
  allowed=$(sed -n 's/^ACROSS_\(SEARCH_HOME\|SEARCH_QUERY\|OWNER_HOME\):STRING=//p' "$build/CMakeCache.txt")
  for u in "${!outside[@]}"; do
    grep -qxF -- "$u" <<<"$allowed" || { broken=$((broken + 1)); fail "crawl: outside address $u on ${outside[$u]}"; }
  done
  ((count > 100)) || fail "crawl: only $count addresses reached"
  ((broken == 0)) && pass
  echo "[$mode] crawl: $count addresses, ${#outside[@]} outside"
}

# The guest book under 8 concurrent visitors: 100 words, each counted and
# logged once with its own number, every page whole.
check_guest_book_under_load() {
  local before after words=100 numbers f bad=0
  before=$(head -1 "$SERVE_RUN/data/across.cnt")
  mkdir -p "$scratch/load"
  seq "$words" | xargs -P 8 -I{} curl -s --max-time 60 -o "$scratch/load/{}" \
    -w '%{http_code}\n' "$base/cgi-bin/across.pl?r=load{}" >"$scratch/load.codes"
  [[ $(grep -c '^200$' "$scratch/load.codes") == "$words" ]] ||
    fail "guest book under load: not every request answered 200: $(sort "$scratch/load.codes" | uniq -c | tr '\n' ' ')"
  after=$(head -1 "$SERVE_RUN/data/across.cnt")
  ((10#$after == 10#$before + words)) && pass || fail "guest book under load: counter went from $before to $after"
  numbers=$(grep -E '^[0-9]+, load[0-9]+, ' "$SERVE_RUN/data/across.log" | cut -d, -f1 | sort -n)
  [[ $numbers == "$(seq -f '%06g' $((10#$before + 1)) $((10#$before + words)))" ]] && pass ||
    fail "guest book under load: the words' log numbers are not $((10#$before + 1)) to $((10#$before + words)) once each"
  [[ -z $(cut -d, -f1 "$SERVE_RUN/data/across.log" | sort | uniq -d) ]] && pass ||
    fail "guest book under load: a log number is used twice"
  for f in $(seq "$words"); do
    if ! grep -qF "Original input was: load$f<br>" "$scratch/load/$f" ||
       ! grep -qF '<td class="hidden" >visit:</td>' "$scratch/load/$f" ||
       [[ $(tail -c 15 "$scratch/load/$f") != '</body></html>' ]]; then
      bad=$((bad + 1))
    fi
  done
  ((bad == 0)) && pass || fail "guest book under load: $bad of $words pages incomplete"
}

run_site() {
  mode=$1
  local started=$SECONDS
  serve_start "$build" "$mode" || { fail "the site did not start"; return; }
  base=http://127.0.0.1:$SERVE_PORT
  seeds=(/)
  check_answers
  check_errors
  check_headers_of_responses
  check_methods_keep_data
  check_crawl
  check_guest_book_under_load
  serve_stop
  echo "[$mode] done in $((SECONDS - started)) s"
}

run_site cgi
run_site fastcgi
mode=all
echo "site: $passes passed, $failures failed"
((failures == 0))
