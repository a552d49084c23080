#!/usr/bin/env bash
# The frame gives the same bytes as a FastCGI worker as it does as a CGI
# program. Installs the build into two fresh site trees, runs the frame of
# one as a CGI program per request and starts the frame of the other as
# FastCGI workers under spawn-fcgi, one a pool as the deployments run them
# (FRAME_POOL: the guest book's for /cgi-bin/across..., the calculators'
# for the rest), then sends each request in the table to both with the same
# variables (cgi-fcgi carries them to the worker) and compares the responses
# byte for byte, the guest book's timestamps masked. One worker answers
# every request of its pool, so a zone or locale that stayed behind from the
# request before would show. The calculators' worker, asked for the guest
# book, answers 404 and writes nothing. The table ends
# with a seeded mixed sequence over every calculator the frame lists.
# Afterwards the two trees' guest-book files must match too.
#   site/frame/fastcgi_test.sh BUILD_DIR
set -uo pipefail
export PATH=$PATH:/usr/sbin:/sbin
build=$(cd "$1" && pwd)
for tool in spawn-fcgi cgi-fcgi; do
  command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed"; exit 1; }
done
# A locale whose decimal point is a comma, so one that stayed would show.
locale -a | grep -qix 'de_DE.utf8' || { echo "FAIL the de_DE.UTF-8 locale is missing"; exit 1; }

work=$(mktemp -d)
cleanup() {
  for pool in guestbook calculators; do
    [[ -f $work/$pool.pid ]] && kill "$(cat "$work/$pool.pid")" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
for tree in cgi fcgi; do
  cmake --install "$build" --prefix "$work/$tree" >/dev/null || { echo "FAIL install"; exit 1; }
done
mkdir "$work/out"
# The worker's own environment is the one the deployments give it; what
# each request names comes from its parameters.
for pool in guestbook calculators; do
  env -i PATH=/usr/bin:/bin LANG=en_US.UTF-8 TZ=Pacific/Chatham FRAME_POOL=$pool \
    spawn-fcgi -s "$work/$pool.sock" -P "$work/$pool.pid" -- "$work/fcgi/cgi-bin/frame" \
    >/dev/null 2>"$work/$pool.err" || { echo "FAIL spawn-fcgi $pool"; exit 1; }
done

requests=()
# get LABEL ADDRESS [VAR=value | -VAR | BODY=text]...: a request as the
# servers pass it (TZ UTC, LANG en_US.UTF-8), changed by the words after
# the address: -VAR leaves VAR out.
get() {
  local label=$1 uri=$2 query=
  shift 2
  [[ $uri == *\?* ]] && query=${uri#*\?}
  requests+=("$label REQUEST_METHOD=GET REQUEST_URI=$uri QUERY_STRING=$query REMOTE_ADDR=192.0.2.7 \
TZ=UTC LANG=en_US.UTF-8 SITE_FLOOD_SECONDS=0 $*")
}

long=$(printf 'y%.0s' $(seq 3000))
at2047=html=1\&year=$(printf '9%.0s' $(seq 2035))  # 2047 bytes in all
miles='date1=1%2F1%2F21&date2=7%2F1%2F21&miles1=10000&miles2=15000&year=2021'
biz='bizmiles=1234567&rate=.5'

# the dates pages, their length limit and their locales
get kestrum-leap '/cgi-bin/kestrum.pl?html=1&year=2000'
get kestrum-mileage "/cgi-bin/kestrum.pl?$miles"
get kestrum-html "/cgi-bin/kestrum.pl?html=1&$miles" TZ=America/New_York
get kestrum-escaped '/cgi-bin/kestrum.pl?html=1&year=%3Cb%3E'
get kestrum-empty /cgi-bin/kestrum.pl
get kestrum-unset-query /cgi-bin/kestrum.pl -QUERY_STRING
get kestrum-2047 "/cgi-bin/kestrum.pl?$at2047"
get kestrum-2048 "/cgi-bin/kestrum.pl?${at2047}9"
get kestrum-head-long "/cgi-bin/kestrum.pl?$long" REQUEST_METHOD=HEAD
get bolvey-en "/cgi-bin/bolvey.pl?$biz"
get bolvey-de "/cgi-bin/bolvey.pl?$biz" LANG=de_DE.UTF-8
get bolvey-c "/cgi-bin/bolvey.pl?$biz" -LANG
get bolvey-lc-all "/cgi-bin/bolvey.pl?$biz" LC_ALL=C LANG=de_DE.UTF-8
get bolvey-lc-numeric "/cgi-bin/bolvey.pl?$biz" LC_NUMERIC=de_DE.UTF-8 -LANG
get bolvey-en-again "/cgi-bin/bolvey.pl?$biz"
get bolvey-long "/cgi-bin/bolvey.pl?$long"
get bolvey-dates "/cgi-bin/bolvey.pl?$miles" LANG=de_DE.UTF-8
# the other calculators (the first right after a German locale)
get roots-cube '/cgi-bin/roots.pl?root=3&real=8&imaginary=0'
get roots-first '/cgi-bin/roots.pl?root=1&real=3&imaginary=4'
get roots-zero '/cgi-bin/roots.pl?root=0&real=1&imaginary=1'
get roots-beyond '/cgi-bin/roots.pl?root=20000&real=1&imaginary=0'
get roots-negative '/cgi-bin/roots.pl?root=-4&real=16&imaginary=0'
get roots-empty /cgi-bin/roots.pl
get circles-fraction '/cgi-bin/circles.pl?length=2&length_num=1&length_den=2&dimension=radius'
get circles-diameter '/cgi-bin/circles.pl?length=10&dimension=diameter'
get circles-zero-denominator '/cgi-bin/circles.pl?length=1&length_num=1&length_den=0&dimension=radius'
get circles-empty /cgi-bin/circles.pl
get quindle-kathmandu '/cgi-bin/quindle.pl?month=3&day=14&year=2021' TZ=Asia/Kathmandu
get quindle-week-53 '/cgi-bin/quindle.pl?month=1&day=1&year=2021'
get quindle-overflow '/cgi-bin/quindle.pl?month=13&day=40&year=2021'
get quindle-havana '/cgi-bin/quindle.pl?month=3&day=13&year=2011' TZ=America/Havana
get quindle-sao-paulo '/cgi-bin/quindle.pl?month=11&day=4&year=2018' TZ=America/Sao_Paulo
get quindle-no-zone '/cgi-bin/quindle.pl?month=2&day=29&year=2024' -TZ
get quindle-empty /cgi-bin/quindle.pl
# the guest book: words, refused words, empty requests, both editions
get across-hello '/cgi-bin/across.pl?r=Hello' TZ=Asia/Kathmandu
get across-dash '/cgi-bin/across.pl?r=b-c'
get across-ba '/cgi-bin/across.pl?r=ba' TZ=Australia/Eucla
get across-bb '/cgi-bin/across.pl?r=bb' -TZ
get across-refused '/cgi-bin/across.pl?r=darn'
get across-refused-caps '/cgi-bin/across.pl?r=HECK' TZ=Pacific/Kiritimati
get across-empty '/cgi-bin/across.pl?r='
get across-unset-query /cgi-bin/across.pl -QUERY_STRING
get across-plus '/cgi-bin/across.pl?r=a+b'
get across-percent '/cgi-bin/across.pl?r=%41'
get across-angles '/cgi-bin/across.pl?r=<b>x'
get across-long "/cgi-bin/across.pl?r=$(printf 'w%.0s' $(seq 70))"
get across-head '/cgi-bin/across.pl?r=Head' REQUEST_METHOD=HEAD
get earlier-word '/cgi-bin/across-earlier.pl?r=Old,one'
get earlier-empty /cgi-bin/across-earlier.pl
get source '/cgi-bin/source.pl?s=../sources/across'
get source-encoded '/cgi-bin/source.pl?s=..%2Fsources%2Facross'
get source-other '/cgi-bin/source.pl?s=../sources/roots'
get source-nul '/cgi-bin/source.pl?s=../sources/across%00.txt'
# addresses, methods and the server's fallback variables
get unknown /cgi-bin/nosuch.pl
get frame-itself /cgi-bin/frame
get no-suffix /cgi-bin/kestrum
get extra-path /cgi-bin/kestrum.pl/x
get encoded-name '/cgi-bin/%71uindle.pl?month=1&day=2&year=2020'
get outside-cgi-bin '/roots.pl?root=2'
get post '/cgi-bin/quindle.pl' REQUEST_METHOD=POST CONTENT_LENGTH=24 BODY=month=3\&day=14\&year=2021
get put /cgi-bin/roots.pl REQUEST_METHOD=PUT
get delete-unknown /cgi-bin/nosuch.pl REQUEST_METHOD=DELETE
get head-roots '/cgi-bin/roots.pl?root=3' REQUEST_METHOD=HEAD
get head-unknown /cgi-bin/nosuch.pl REQUEST_METHOD=HEAD
get no-method '/cgi-bin/circles.pl?length=3' -REQUEST_METHOD
get path-info '/cgi-bin/ignored.pl?month=7&day=4&year=1976' -REQUEST_URI PATH_INFO=/quindle
get path-info-unknown /cgi-bin/ignored.pl -REQUEST_URI PATH_INFO=/nosuch
get no-address /cgi-bin/ignored.pl -REQUEST_URI

# A seeded mixed sequence of 400 requests: every calculator of the frame's
# table (frame --list-pages) with its form's example query, or a variant
# that reaches the page's error states (a field emptied, dropped or set to
# a troublesome value, an empty or missing query, a query over 2047 bytes),
# now and then as HEAD; in zones with daylight saving (Europe/Dublin's is
# negative) or none, and in numeric locales that write decimal commas
# (de_DE.UTF-8) or not, an empty LC_ALL among them.
mapfile -t listed < <("$build/bin/frame" --list-pages)
((${#listed[@]} >= 5)) || { echo "FAIL frame --list-pages lists ${#listed[@]} pages"; exit 1; }
zones=(TZ=UTC TZ=Europe/Dublin TZ=America/New_York TZ=America/Havana TZ=Australia/Lord_Howe
  TZ=Asia/Kathmandu -TZ)
locales=(LANG=en_US.UTF-8 LANG=de_DE.UTF-8 -LANG "LC_ALL= LANG=de_DE.UTF-8"
  "LC_NUMERIC=de_DE.UTF-8 -LANG" LC_ALL=de_DE.UTF-8 LC_ALL=C)
odd=(x -1 0 010 99999999999 %3Cb%3E 1e999 2%2F30%2F21 .5 '')
RANDOM=20261207
for ((i = 0; i < 400; i++)); do
  IFS=$'\t' read -r name example <<<"${listed[RANDOM % ${#listed[@]}]}"
  IFS='&' read -ra fields <<<"$example"
  pick=$((RANDOM % ${#fields[@]}))
  variant=$((RANDOM % 7))
  case $variant in
    0 | 1) query=$example ;;
    2) fields[pick]=${fields[pick]%%=*}=${odd[RANDOM % ${#odd[@]}]} ;;
    3) unset "fields[pick]" ;;
    4) query=$example\&html=1 ;;
    5) query= ;;
    6) query=$example\&pad=${long:0:$((2042 - ${#example} + RANDOM % 2))} ;;
  esac
  [[ $variant == [23] ]] && query=$(IFS='&' && echo "${fields[*]}")
  method=GET
  ((RANDOM % 12)) || method=HEAD
  get "mixed-$i-$name" "/cgi-bin/$name.pl?$query" REQUEST_METHOD=$method \
    "${zones[RANDOM % ${#zones[@]}]}" ${locales[RANDOM % ${#locales[@]}]}
done

failures=0
passes=0
fail() {
  failures=$((failures + 1))
  echo "FAIL $*"
}
stamp='[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}'
masked() { sed -E "s/$stamp/STAMP/g" "$1"; }

# A guest-book page greets with the time in the request's zone: within a
# few seconds of now there.
check_zone() {
  local file=$1 zone=$2 shown
  shown=$(grep -oE "$stamp" "$file" | head -n 1)
  [[ -n $shown ]] || return 0
  shown=$(if [[ -n $zone ]]; then TZ=$zone date -d "$shown" +%s; else env -u TZ date -d "$shown" +%s; fi)
  local off=$((shown - $(date +%s)))
  ((off > -10 && off < 10)) || fail "$(basename "$file"): time off by ${off}s for zone '$zone'"
}

for row in "${requests[@]}"; do
  read -ra words <<<"$row"
  label=${words[0]}
  vars=()
  body=
  zone=
  for word in "${words[@]:1}"; do
    case $word in
      -*)
        for i in "${!vars[@]}"; do [[ ${vars[$i]} == "${word#-}="* ]] && unset "vars[$i]"; done
        ;;
      BODY=*) body=${word#BODY=} ;;
      *) vars+=("$word") ;;
    esac
  done
  for var in "${vars[@]}"; do [[ $var == TZ=* ]] && zone=${var#TZ=}; done
  out=$work/out/$label
  # A CGI process killed after it answered (a call outside its filter at
  # exit) would leave a whole answer: its status shows it.
  env -i -C "$work/cgi/cgi-bin" "${vars[@]}" ./frame <<<"$body" >"$out.cgi" 2>"$out.err" ||
    fail "$label: the CGI frame ended with status $?"
  pool=calculators
  for var in "${vars[@]}"; do [[ $var == REQUEST_URI=/cgi-bin/across* ]] && pool=guestbook; done
  env -i "${vars[@]}" cgi-fcgi -bind -connect "$work/$pool.sock" <<<"$body" >"$out.fcgi" 2>>"$out.err"
  # The calculators print no time: their answers compare as they stand.
  if [[ $label == mixed-* ]] && [[ -s $out.cgi && ! -s $out.err ]] && cmp -s "$out.cgi" "$out.fcgi"; then
    passes=$((passes + 1))
    continue
  fi
  if [[ ! -s $out.cgi ]]; then
    fail "$label: no CGI response"
  elif ! cmp -s <(masked "$out.cgi") <(masked "$out.fcgi"); then
    fail "$label: FastCGI differs from CGI"
    diff <(masked "$out.cgi") <(masked "$out.fcgi") | head -n 10
  elif [[ -s $out.err ]]; then
    fail "$label: wrote to standard error: $(head -c 300 "$out.err")"
  else
    passes=$((passes + 1))
  fi
  check_zone "$out.cgi" "$zone"
  check_zone "$out.fcgi" "$zone"
done

# The locale and zone cases above would be no test if they answered alike.
for pair in "bolvey-en bolvey-de" "bolvey-en bolvey-c" "kestrum-2047 kestrum-2048"; do
  read -r a b <<<"$pair"
  cmp -s "$work/out/$a.cgi" "$work/out/$b.cgi" && fail "$a and $b answer alike"
done
for file in across.cnt across.log bad_across.log; do
  if cmp -s <(masked "$work/cgi/data/$file") <(masked "$work/fcgi/data/$file"); then
    passes=$((passes + 1))
  else
    fail "data/$file differs"
    diff "$work/cgi/data/$file" "$work/fcgi/data/$file" | head -n 10
  fi
done
# The guest book's limits come from each request's variables: unset, one
# address may leave one word every 15 s; SITE_LOG_MAX_BYTES=1 leaves no room.
limit() {
  local tree=$1 query=$2 expect=$3 out
  shift 3
  local vars=(REQUEST_METHOD=GET REQUEST_URI="/cgi-bin/across.pl?$query" QUERY_STRING="$query"
              REMOTE_ADDR=198.51.100.9 TZ=UTC "$@")
  if [[ $tree == cgi ]]; then
    out=$(env -i -C "$work/cgi/cgi-bin" "${vars[@]}" ./frame </dev/null | tr -d '\r')
  else
    out=$(env -i "${vars[@]}" cgi-fcgi -bind -connect "$work/guestbook.sock" </dev/null | tr -d '\r')
  fi
  if grep -q "^$expect" <<<"$out"; then passes=$((passes + 1)); else fail "$tree $query: not $expect"; fi
}
for tree in cgi fcgi; do
  limit "$tree" r=first 'Status: 200'
  limit "$tree" r=second 'Retry-After: 1[0-5]$'
  limit "$tree" r=third 'Status: 503' SITE_FLOOD_SECONDS=0 SITE_LOG_MAX_BYTES=1
done
# A guest-book address sent to the calculators' pool: a 404, and the
# worker could not have written the word anyway.
stray=$(env -i REQUEST_METHOD=GET REQUEST_URI='/cgi-bin/across.pl?r=Stray' QUERY_STRING=r=Stray \
  cgi-fcgi -bind -connect "$work/calculators.sock" </dev/null | head -n 1)
[[ $stray == $'Status: 404 Not Found\r' ]] || fail "the calculators' pool answered the guest book: $stray"
# Eleven words in the current edition, one in the earlier; HEAD runs no page.
for tree in cgi fcgi; do
  [[ $(cat "$work/$tree/data/across.cnt") == 000012 ]] ||
    fail "the $tree counter holds $(cat "$work/$tree/data/across.cnt")"
done
for pool in guestbook calculators; do
  kill -0 "$(cat "$work/$pool.pid")" 2>/dev/null || fail "the $pool worker died"
  [[ -s $work/$pool.err ]] && fail "the $pool worker wrote: $(head -c 300 "$work/$pool.err")"
done
echo "fastcgi: ${#requests[@]} requests; $passes passed, $failures failed"
[[ $failures -eq 0 ]]
