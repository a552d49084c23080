#!/usr/bin/env bash
# Measures what a request costs and prints two Markdown tables (those of
# docs/performance.md): the pages against the ceilings of their modes
# first, then every figure against a process start. Not part of the tests:
# the numbers depend on the machine, so every figure is read against a
# baseline measured side by side in the same run, never asserted.
#  1. Every deliverable started directly, against the fully static no-op
#     (bench/noop.cpp): median time, ratio, peak RSS (hyperfine).
#  2. Requests/s and p99 latency (wrk -t2 -c8, the best of two interleaved
#     rounds) for roots, quindle and circles through lighttpd in CGI and
#     FastCGI mode and through nginx with the deploy's FastCGI workers (also
#     with kept connections), against the ceiling of each mode on minimal
#     lighttpds: a no-op FastCGI worker (bench/fcgi_noop.cpp, two processes
#     like the calculators' pool) and a static file of the answer's size; a
#     fully static CGI program writing the answer's bytes, and the static
#     no-op CGI (also on the site's own lighttpd).
#  3. roots' p99 through lighttpd in FastCGI mode, alone and while 4
#     clients load the guest book's listing of a 1M-word log.
#  4. One CGI request's page faults and instructions: the frame against the
#     no-op and the static answer; and what one more request costs a
#     running FastCGI worker (instructions when valgrind is installed).
#  5. The guest book at 0, 10k, 100k and 1M logged words, against the bare
#     "cut -d, -f2 | sort -bfu" pipeline on the same log.
#  6. The guest book on a log at its cap (4 MiB): one request's time and
#     page size against the pipeline on the same log, and a request its
#     flood check refuses (429) among 4096 recent writers.
# Every guest-book request comes from one address: the flood limit is off
# (SITE_FLOOD_SECONDS=0) but where it is measured, and the cap off
# (SITE_LOG_MAX_BYTES=0) where the logs are larger than it.
# Installs hyperfine and wrk when missing (as root); takes about 7 minutes.
#   bench/run.sh [SECONDS-PER-WRK-RUN]      (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PATH=$PATH:/usr/sbin:/sbin
seconds=${1:-5}
scripts/build.sh >/dev/null
if ! command -v hyperfine >/dev/null || ! command -v wrk >/dev/null; then
  [[ $(id -u) -eq 0 ]] || { echo "install hyperfine and wrk first" >&2; exit 1; }
  apt-get install -y -qq --no-install-recommends hyperfine wrk >/dev/null
fi
bin=$root/build/bin

work=$(mktemp -d)
chmod 755 "$work"
# Every server started is stopped on the way out: lighttpd and nginx by
# their pid files, the nginx workers by their script. A pid file is only
# believed when the process it names runs the server that wrote it.
pidfiles=()
worker_scripts=()
stop_servers() {
  local pidfile script pid
  for pidfile in "${pidfiles[@]}"; do
    pid=$(cat "$pidfile" 2>/dev/null || true)
    [[ $pid =~ ^[0-9]+$ && $(readlink "/proc/$pid/exe" 2>/dev/null) == */@(lighttpd|nginx) ]] &&
      kill "$pid" 2>/dev/null
  done
  for script in "${worker_scripts[@]}"; do sh "$script" stop 2>/dev/null; done
  pidfiles=()
  worker_scripts=()
  sleep 0.5
}
trap 'stop_servers; rm -rf "$work"' EXIT
rows=$work/rows.tsv

# row PART SUBJECT VALUE BASELINE RATIO RATIO-TO-SAME-SERVER RSS TARGET
row() { printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$rows"; }

# Peak resident set of one run of a command, in KiB.
peak_rss() { "$bin/peak_rss" "$@" 2>/dev/null </dev/null; }

# Median seconds of each command of a hyperfine JSON export, one a line.
medians() {
  /usr/bin/python3 -c '
import json, sys
for r in json.load(open(sys.argv[1]))["results"]: print(r["median"])' "$1"
}

ms() { awk -v s="$1" 'BEGIN { printf "%.3f ms", s * 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# 1. Started directly, each next to the no-op in one hyperfine run.
direct() {  # NAME TARGET COMMAND... (QUERY_STRING and the rest exported)
  local name=$1 target=$2
  shift 2
  hyperfine -N --warmup 20 --runs 300 --export-json "$work/h.json" --output=null \
    "$bin/bench_noop" "$*" >/dev/null
  local times rss
  mapfile -t times < <(medians "$work/h.json")
  rss=$(peak_rss "$@")
  row "started directly" "$name" "$(ms "${times[1]}")" "$(ms "${times[0]}")" \
    "$(ratio "${times[1]}" "${times[0]}")" "" \
    "$(awk -v k="$rss" 'BEGIN { printf "%.1f MiB", k / 1024 }')" "$target"
}
mkdir -p "$work/direct/cgi-bin" "$work/direct/data" "$work/chips"
cp "$root/site/chips/rgbp.txt" "$root/site/chips/grayp.txt" "$work/chips/"
(
  cd "$work/direct/cgi-bin"
  entries=()
  export LANG=en_US.UTF-8 TZ=America/New_York REMOTE_ADDR=127.0.0.1 REQUEST_METHOD=GET
  export SITE_FLOOD_SECONDS=0
  # Every calculator of the frame's table with its form's example query;
  # the dates pages read and group more and are allowed a little more.
  while IFS=$'\t' read -r name query; do
    case $name in kestrum | bolvey) target="≤ 1.15×" ;; *) target="≤ 1.10×" ;; esac
    entries+=("$name|$target|$query")
  done < <("$bin/frame" --list-pages)
  entries+=("across|—|r=Benchmark" "across-earlier|—|r=Benchmark")
  for entry in "${entries[@]}"; do
    IFS='|' read -r name target query <<<"$entry"
    export QUERY_STRING=$query REQUEST_URI="/cgi-bin/$name.pl?$query"
    direct "$name" "$target" "$bin/$name"
    direct "frame: $name.pl" "—" "$bin/frame"
  done
  cd "$work/chips"
  direct tinctor "—" "$bin/tinctor"
)

# 2. Through the web servers, each page against the ceiling of its mode,
# served beside it by minimal lighttpds (nothing loaded but mod_cgi, or
# mod_fastcgi and the static files):
#  - FastCGI: a no-op FastCGI worker (bench/fcgi_noop.cpp) with as many
#    processes as the calculators' pool, and a static file of the answer's
#    size;
#  - CGI: a fully static program that writes the answer's bytes in one go,
#    and the static no-op CGI program (the process-start ratios).
# Beside them the site on lighttpd in CGI and in FastCGI mode (each with
# the no-op CGI under its own headers and rewrites), and on nginx with the
# deploy's frame workers, as configured and with its connections to the
# workers kept open. Every round visits every address once, so that a slow
# moment of the machine falls on all of them alike; each figure is the best
# of two rounds.
wrk_run() {  # URL CLIENTS THREADS: prints "requests/s<TAB>p99 ms"
  wrk -t"$3" -c"$2" -d"${seconds}s" --latency "$1" |
    awk '/Requests\/sec:/ { rps = $2 }
         $1 == "99%" { unit = $2; sub(/^[0-9.]+/, "", unit); p99 = $2 + 0
                       if (unit == "us") p99 /= 1000; else if (unit == "s") p99 *= 1000 }
         END { printf "%d\t%.2f\n", rps, p99 }'
}
# Started as root, the servers' programs run as www-data, which must own
# what they write: the guest book's data/ (as the install made it, in a
# tree only root writes) and lighttpd's run/user/. run/, with the pid
# files, stays root's.
as_site_user() { [[ $(id -u) -ne 0 ]] || chown -R www-data: "$1/data" "$1/run/user"; }
# A site tree in DIR, configured for PORT in MODE.
site_tree() {  # DIR PORT MODE
  cmake --install build --prefix "$1" >/dev/null
  SITE_TZ=UTC SITE_FLOOD_SECONDS=0 SITE_LOG_MAX_BYTES=0 deploy/configure.sh "$1" "$2" "$3"
}
# The static no-op CGI beside the frame on the site's lighttpd of DIR.
add_noop() {  # DIR
  mkdir -p "$1/noop-bin"
  cp "$bin/bench_noop" "$1/noop-bin/noop"
  printf '%s\n' 'alias.url += ("/noop-bin/" => site_dir + "/noop-bin/")' \
    '$HTTP["url"] =~ "^/noop-bin/" { cgi.assign = ("/noop" => "") }' >>"$1/conf/lighttpd.conf"
}
start_lighttpd() {  # DIR
  as_site_user "$1"
  lighttpd -f "$1/conf/lighttpd.conf"
  pidfiles+=("$1/run/lighttpd.pid")
}
port=$((20000 + RANDOM % 20000))
# The calculators' example queries, from the frame's own table.
query() { "$bin/frame" --list-pages | awk -F'\t' -v n="$1" '$1 == n { print $2 }'; }
pages=(roots quindle circles)

# The site on lighttpd in both modes, the no-op beside the frame.
site_tree "$work/cgi" $((port + 1)) cgi
add_noop "$work/cgi"
start_lighttpd "$work/cgi"
site_tree "$work/fastcgi" $((port + 2)) fastcgi
add_noop "$work/fastcgi"
start_lighttpd "$work/fastcgi"

# Each page's answer as the site's frame gives it in CGI mode, in the zone
# and locale lighttpd passes: the whole response.
mkdir -p "$work/answers"
for page in "${pages[@]}"; do
  (
    cd "$work/cgi/cgi-bin"
    env -i TZ=UTC LANG=en_US.UTF-8 REQUEST_METHOD=GET REMOTE_ADDR=127.0.0.1 \
      QUERY_STRING="$(query "$page")" REQUEST_URI="/cgi-bin/$page.pl?$(query "$page")" ./frame
  ) >"$work/answers/$page.response"
done
cxx=$(awk -F= '/^CMAKE_CXX_COMPILER:/ { print $2 }' build/CMakeCache.txt)
# A fully static program that writes PAGE's whole response in one write.
static_answer() {  # PAGE OUTPUT
  /usr/bin/python3 - "$work/answers/$1.response" "$work/answers/$1.cpp" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
open(sys.argv[2], "w").write(
    "#include <unistd.h>\nstatic const char kAnswer[] = {%s};\n"
    "int main() { return write(1, kAnswer, sizeof kAnswer) == (ssize_t)sizeof kAnswer ? 0 : 1; }\n"
    % ",".join(str(b) for b in data))
EOF
  "$cxx" -O2 -static -o "$2" "$work/answers/$1.cpp"
}

# The minimal CGI server: the no-op and the static answers its only
# programs, nothing else loaded.
minimal=$work/minimal
mkdir -p "$minimal/cgi-bin"
cp "$bin/bench_noop" "$minimal/cgi-bin/noop"
for page in "${pages[@]}"; do static_answer "$page" "$minimal/cgi-bin/$page"; done
printf '%s\n' 'server.modules = ("mod_cgi")' "server.document-root = \"$minimal\"" \
  'server.bind = "127.0.0.1"' "server.port = $port" "server.pid-file = \"$minimal/lighttpd.pid\"" \
  'server.username = "www-data"' 'server.groupname = "www-data"' \
  '$HTTP["url"] =~ "^/cgi-bin/" { cgi.assign = ("" => "") }' >"$minimal/lighttpd.conf"
lighttpd -f "$minimal/lighttpd.conf"
pidfiles+=("$minimal/lighttpd.pid")

# The minimal FastCGI server: the no-op worker, two processes like the
# calculators' pool, and each answer's document as a static file.
minimal_fcgi=$work/minimal-fastcgi
mkdir -p "$minimal_fcgi/run" "$minimal_fcgi/files"
cp "$bin/bench_fcgi_noop" "$minimal_fcgi/noop"
for page in "${pages[@]}"; do
  /usr/bin/python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
open(sys.argv[2], "wb").write(data[data.index(b"\r\n\r\n") + 4:])' \
    "$work/answers/$page.response" "$minimal_fcgi/files/$page.html"
done
printf '%s\n' 'server.modules = ("mod_fastcgi")' "server.document-root = \"$minimal_fcgi/files\"" \
  'server.bind = "127.0.0.1"' "server.port = $((port + 6))" \
  "server.pid-file = \"$minimal_fcgi/lighttpd.pid\"" \
  'server.username = "www-data"' 'server.groupname = "www-data"' \
  "fastcgi.server = (\"/fcgi/\" => ((\"socket\" => \"$minimal_fcgi/run/noop.sock\"," \
  "  \"bin-path\" => \"$minimal_fcgi/noop\", \"max-procs\" => 2, \"check-local\" => \"disable\")))" \
  >"$minimal_fcgi/lighttpd.conf"
[[ $(id -u) -ne 0 ]] || chown www-data: "$minimal_fcgi/run"
lighttpd -f "$minimal_fcgi/lighttpd.conf"
pidfiles+=("$minimal_fcgi/lighttpd.pid")

# nginx with the deploy's workers, as configured and with its connections
# to each pool kept open (one kept connection per nginx process).
nginx_tree() {  # DIR PORT KEEP(yes|no)
  site_tree "$1" "$2" fastcgi
  [[ $3 == no ]] || /usr/bin/python3 - "$1/conf/nginx.conf" <<'EOF'
import re, sys
path = sys.argv[1]
conf = open(path).read()
sockets = []
def keep(match):
    if match.group(1) not in sockets:
        sockets.append(match.group(1))
    return "fastcgi_pass pool%d;\n      fastcgi_keep_conn on;" % sockets.index(match.group(1))
conf = re.sub(r"fastcgi_pass unix:([^;]+);", keep, conf)
pools = "".join("  upstream pool%d {\n    server unix:%s;\n    keepalive 1;\n  }\n" % (i, socket)
                for i, socket in enumerate(sockets))
open(path, "w").write(conf.replace("http {\n", "http {\n" + pools, 1))
EOF
  as_site_user "$1"
  local script
  for script in "$1"/conf/*workers*.sh; do
    sh "$script" start >/dev/null
    worker_scripts+=("$script")
  done
  nginx -c "$1/conf/nginx.conf" -e "$1/run/nginx-error.log"
  pidfiles+=("$1/run/nginx.pid")
}
nginx_tree "$work/nginx" $((port + 3)) no
nginx_tree "$work/nginx-kept" $((port + 5)) yes
sleep 1

# KEY|URL, one an address, visited in this order every round.
local_url=http://127.0.0.1
subjects=("noop cgi|$local_url:$port/cgi-bin/noop"
  "noop fastcgi|$local_url:$((port + 6))/fcgi/noop")
for page in "${pages[@]}"; do
  subjects+=("static-cgi $page|$local_url:$port/cgi-bin/$page"
    "static-file $page|$local_url:$((port + 6))/$page.html")
done
for server in "cgi|$((port + 1))" "fastcgi|$((port + 2))" "nginx|$((port + 3))"; do
  IFS='|' read -r mode at <<<"$server"
  [[ $mode == nginx ]] || subjects+=("$mode noop|$local_url:$at/noop-bin/noop")
  for page in "${pages[@]}"; do
    subjects+=("$mode $page|$local_url:$at/cgi-bin/$page.pl?$(query "$page")")
  done
done
subjects+=("nginx-kept roots|$local_url:$((port + 5))/cgi-bin/roots.pl?$(query roots)")
declare -A rps=() p99=()
for round in 1 2; do
  for subject in "${subjects[@]}"; do
    IFS=$'\t' read -r r p < <(wrk_run "${subject#*|}" 8 2)
    key=${subject%%|*}
    if [[ -z ${rps[$key]:-} ]] || ((r > rps[$key])); then
      rps[$key]=$r
      p99[$key]=$p
    fi
  done
done
stop_servers
measured() { echo "${rps[$1]} req/s, p99 ${p99[$1]} ms"; }

# The ceilings first: each page against the floor of the same work in its
# mode. ceiling PART KEY CEILING-KEY CEILING-NAME TARGET
ceilings=$work/ceilings.tsv
ceiling() {
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "${2#* }.pl" "$(measured "$2")" \
    "$4: $(measured "$3")" "$(ratio "${rps[$2]}" "${rps[$3]}")" "$5" >>"$ceilings"
}
for page in "${pages[@]}"; do
  ceiling "lighttpd, fastcgi" "fastcgi $page" "noop fastcgi" "FastCGI no-op, 2 processes" "≥ 0.90×"
done
for page in "${pages[@]}"; do
  ceiling "lighttpd, fastcgi" "fastcgi $page" "static-file $page" \
    "static file of $(stat -c %s "$minimal_fcgi/files/$page.html") bytes" "—"
done
for page in "${pages[@]}"; do
  ceiling "nginx, fastcgi" "nginx $page" "noop fastcgi" "FastCGI no-op on lighttpd" "—"
done
for page in "${pages[@]}"; do
  ceiling "lighttpd, cgi" "cgi $page" "static-cgi $page" \
    "static CGI writing its $(stat -c %s "$work/answers/$page.response") bytes" "≥ 0.90×"
done
for page in "${pages[@]}"; do
  ceiling "lighttpd, cgi" "cgi $page" "noop cgi" "static no-op CGI" "—"
done

# Then every server figure against a process start: the no-op CGI on the
# minimal server, and on the same (site's) lighttpd.
row "minimal lighttpd" "static no-op CGI" "$(measured "noop cgi")" "${rps[noop cgi]} req/s" \
  "1.00" "" "" "—"
row "minimal lighttpd" "FastCGI no-op, 2 processes" "$(measured "noop fastcgi")" \
  "${rps[noop cgi]} req/s" "$(ratio "${rps[noop fastcgi]}" "${rps[noop cgi]}")" "" "" "—"
for mode in cgi fastcgi nginx nginx-kept; do
  case $mode in
    cgi | fastcgi) part="lighttpd, $mode" ;;
    nginx) part="nginx, fastcgi" ;;
    nginx-kept) part="nginx, fastcgi, kept connections" ;;
  esac
  same=""
  if [[ -n ${rps[$mode noop]:-} ]]; then
    row "$part" "static no-op CGI" "$(measured "$mode noop")" "${rps[noop cgi]} req/s" \
      "$(ratio "${rps[$mode noop]}" "${rps[noop cgi]}")" "" "" "—"
  fi
  for page in "${pages[@]}"; do
    [[ -n ${rps[$mode $page]:-} ]] || continue
    [[ -z ${rps[$mode noop]:-} ]] || same=$(ratio "${rps[$mode $page]}" "${rps[$mode noop]}")
    row "$part" "$page.pl" "$(measured "$mode $page")" "${rps[noop cgi]} req/s" \
      "$(ratio "${rps[$mode $page]}" "${rps[noop cgi]}")" "$same" "" "—"
  done
done

# 3. A calculator beside the guest book: roots' p99 through lighttpd in
# FastCGI mode, alone and while 4 clients load the guest book's listing of
# a 1M-word log (each of their requests logs a word and lists them all).
# The deploy gives the guest book's pages a pool of workers of their own.
make_log() {  # WORDS FILE: seeded words, a tenth of them repeated in another case
  /usr/bin/python3 - "$1" "$2" <<'EOF'
import random, sys
n, path = int(sys.argv[1]), sys.argv[2]
rng = random.Random(n)
letters = "abcdefghijklmnopqrstuvwxyz"
with open(path, "w") as log:
    words = []
    for i in range(n):
        if words and rng.random() < 0.1:
            word = rng.choice(words)
        else:
            word = "".join(rng.choice(letters) for _ in range(rng.randint(3, 12)))
            words.append(word)
        log.write("%06d, %s, 192.0.2.1, Mon Dec  7 12:00:00 2026\n" % (i + 1, word))
EOF
}
make_log 1000000 "$work/1000000.log"
book=$work/book-site
site_tree "$book" $((port + 4)) fastcgi
cp "$work/1000000.log" "$book/data/across.log"
printf '%06d\n\n' 1000000 >"$book/data/across.cnt"
start_lighttpd "$book"
sleep 1
roots_url="$local_url:$((port + 4))/cgi-bin/roots.pl?$(query roots)"
IFS=$'\t' read -r _ alone < <(wrk_run "$roots_url" 1 1)
wrk -t2 -c4 -d$((seconds + 2))s "$local_url:$((port + 4))/cgi-bin/across.pl?r=Benchmark" \
  >/dev/null &
load=$!
sleep 1
IFS=$'\t' read -r _ loaded < <(wrk_run "$roots_url" 1 1)
wait "$load"
stop_servers
row "beside the guest book" "roots.pl p99, 4 clients on the 1M-word listing" \
  "$loaded ms" "$alone ms (alone)" "$(ratio "$loaded" "$alone")" "" "" "< 50 ms"

# 4. One request, counted: as lighttpd starts a CGI process, its minor page
# faults (the median of 21 runs), the frame against the no-op and the
# static answer of the same bytes; in a FastCGI worker already running, the
# faults one more request adds (over 200 requests). Instructions come from
# callgrind, which cannot run the confined frame (it refuses the frame's
# limit on open files): bench_count_frame answers the same request through
# the frame's own serve_request, once (a CGI request less the confinement)
# and 21 times (the difference over 20 is a worker's request less libfcgi).
median_faults() {  # COMMAND...
  local i
  for i in $(seq 21); do
    /usr/bin/time -f %R -o "$work/faults" "$@" >/dev/null
    cat "$work/faults"
  done | sort -n | sed -n 11p
}
# Instructions of one run of COMMAND under callgrind, or nothing when
# valgrind is missing or the run did not answer.
instructions() {  # COMMAND...
  command -v valgrind >/dev/null || return 0
  local count
  count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >"$work/answer" |
    awk '/Collected :/ { print $NF }')
  if answered "$work/answer"; then echo "$count"; fi
}
# Whether the response in FILE is an answer: a CGI response of any other
# status than 200 is not.
answered() {  # FILE
  local first
  first=$(head -n 1 "$1")
  [[ $first != Status:* || $first == "Status: 200"* ]]
}
# A FastCGI worker running COMMAND... on a socket of its own in DIR.
start_worker() {  # DIR COMMAND...
  local dir=$1 i
  shift
  rm -rf "$dir"
  mkdir -p "$dir"
  env -i PATH=/usr/bin:/bin LANG=en_US.UTF-8 TZ=UTC \
    spawn-fcgi -s "$dir/socket" -P "$dir/pid" -- "$@" >/dev/null 2>&1
  for i in $(seq 50); do [[ -S $dir/socket ]] && break; sleep 0.1; done
}
# Sends the worker of DIR N requests for PAGE's example query; the last
# response is left in DIR/answer.
send_requests() {  # DIR PAGE N
  local q i
  q=$(query "$2")
  for i in $(seq "$3"); do
    env -i REQUEST_METHOD=GET REQUEST_URI="/cgi-bin/$2.pl?$q" QUERY_STRING="$q" \
      REMOTE_ADDR=127.0.0.1 TZ=UTC LANG=en_US.UTF-8 cgi-fcgi -bind -connect "$1/socket" \
      >"$1/answer" || true
  done
}
# A worker stops at a TERM that reaches it waiting for a connection; one
# that arrives while it is still finishing a request is only noted, so it is
# sent again until the worker has gone (under callgrind, having written its
# counts).
stop_worker() {  # DIR
  local pid
  pid=$(cat "$1/pid")
  while kill "$pid" 2>/dev/null; do sleep 0.2; done
}
minor_faults() { awk '{ print $10 }' "/proc/$(cat "$1/pid")/stat"; }  # DIR
(
  cd "$work/fastcgi/cgi-bin"
  export LANG=en_US.UTF-8 TZ=UTC REMOTE_ADDR=127.0.0.1 REQUEST_METHOD=GET QUERY_STRING=
  noop_faults=$(median_faults "$bin/bench_noop")
  noop_instructions=$(instructions "$bin/bench_noop")
  row "one CGI request" "static no-op" "$noop_faults faults, ${noop_instructions:-?} instructions" \
    "" "" "" "" ""
  for page in "${pages[@]}"; do
    export QUERY_STRING=$(query "$page") REQUEST_URI="/cgi-bin/$page.pl?$(query "$page")"
    static_faults=$(median_faults "$minimal/cgi-bin/$page")
    static_count=$(instructions "$minimal/cgi-bin/$page")
    row "one CGI request" "static answer of $page.pl" \
      "$static_faults faults, ${static_count:-?} instructions" "$noop_faults faults" \
      "$(ratio "$static_faults" "$noop_faults")" "" "" ""
    faults=$(median_faults ./frame)
    count=$(instructions "$bin/bench_count_frame")
    row "one CGI request" "frame: $page.pl" "$faults faults, ${count:-?} instructions (unconfined)" \
      "$static_faults faults (static answer)" "$(ratio "$faults" "$static_faults")" "" "" ""
  done
  for page in "${pages[@]}"; do
    export QUERY_STRING=$(query "$page") REQUEST_URI="/cgi-bin/$page.pl?$(query "$page")"
    start_worker "$work/worker" "$work/fastcgi/cgi-bin/frame"
    send_requests "$work/worker" "$page" 20
    warm=$(minor_faults "$work/worker")
    send_requests "$work/worker" "$page" 200
    faults=$(($(minor_faults "$work/worker") - warm))
    stop_worker "$work/worker"
    count="" many=""
    one=$(instructions "$bin/bench_count_frame" 1)
    [[ -z $one ]] || many=$(instructions "$bin/bench_count_frame" 21)
    [[ -z $one || -z $many ]] || count=$(((many - one) / 20))
    row "one FastCGI request" "frame: $page.pl" \
      "$(awk -v f="$faults" 'BEGIN { printf "%.2f", f / 200 }') faults, ${count:-?} instructions" \
      "" "" "" "" ""
  done
)

# 5. The guest book against the bare pipeline, on logs of growing size.
tree=$work/book
mkdir -p "$tree/cgi-bin" "$tree/data"
cp "$bin/frame" "$tree/cgi-bin/frame"
for words in 0 10000 100000 1000000; do
  if [[ $words -eq 1000000 ]]; then
    cp "$work/1000000.log" "$tree/data/across.log"
  else
    make_log "$words" "$tree/data/across.log"
  fi
  printf '%06d\n\n' "$words" >"$tree/data/across.cnt"
  (
    cd "$tree/cgi-bin"
    export REQUEST_METHOD=GET REQUEST_URI=/cgi-bin/across.pl QUERY_STRING=r=bench REMOTE_ADDR=127.0.0.1
    export SITE_FLOOD_SECONDS=0 SITE_LOG_MAX_BYTES=0
    runs=$((words >= 1000000 ? 5 : 20))
    hyperfine --warmup 2 --runs "$runs" --export-json "$work/h.json" --output=null \
      "cut -d, -f2 ../data/across.log | sort -bfu" "$tree/cgi-bin/frame" >/dev/null
  )
  mapfile -t times < <(medians "$work/h.json")
  target="—"
  [[ $words -lt 100000 ]] || target="≤ 0.50×"
  row "guest book" "$words words" "$(ms "${times[1]}")" "$(ms "${times[0]}") (pipeline)" \
    "$(ratio "${times[1]}" "${times[0]}")" "" "" "$target"
done

# 6. A log at its cap: as many words as fit in 4 MiB, less a line's room,
# so the request's own word is the last that fits. The page lists them all.
/usr/bin/python3 - "$tree/data/across.log" <<'EOF'
import random, sys
rng = random.Random(6)
letters = "abcdefghijklmnopqrstuvwxyz"
cap, size, lines, i = 4194304, 0, [], 0
while True:
    i += 1
    line = "%06d, %s, 192.0.2.1, Mon Dec  7 12:00:00 2026\n" % (
        i, "".join(rng.choice(letters) for _ in range(rng.randint(3, 12))))
    if size + len(line) > cap - 64:
        break
    lines.append(line)
    size += len(line)
open(sys.argv[1], "w").write("".join(lines))
EOF
capped=$(wc -l <"$tree/data/across.log")
cp "$tree/data/across.log" "$work/capped.log"
printf '%06d\n\n' "$capped" >"$tree/data/across.cnt"
now=$(date +%s)
for i in $(seq 0 4094); do echo "$now 10.$((i / 256)).$((i % 256)).1"; done >"$work/recent"
echo "$now 127.0.0.1" >>"$work/recent"
(
  cd "$tree/cgi-bin"
  export REQUEST_METHOD=GET REQUEST_URI=/cgi-bin/across.pl QUERY_STRING=r=bench REMOTE_ADDR=127.0.0.1
  export SITE_FLOOD_SECONDS=0
  # Each run starts from the log at its cap, so every word is taken.
  hyperfine --warmup 2 --runs "${CAP_RUNS:-20}" --export-json "$work/h.json" --output=null \
    --prepare "cp '$work/capped.log' ../data/across.log" \
    "cut -d, -f2 ../data/across.log | sort -bfu" "$tree/cgi-bin/frame" >/dev/null
  cp "$work/capped.log" ../data/across.log
  page=$(./frame | wc -c)
  mapfile -t times < <(medians "$work/h.json")
  row "guest book at its cap" "$capped words (4 MiB), page $((page / 1024)) KiB" \
    "$(ms "${times[1]}")" "$(ms "${times[0]}") (pipeline)" "$(ratio "${times[1]}" "${times[0]}")" \
    "" "" "—"
  # The flood check: 4096 writers of the last seconds, this address among
  # them, so the answer is a 429 that reads and searches them all.
  cp "$work/recent" ../data/across.recent
  export SITE_FLOOD_SECONDS=86400
  hyperfine -N --warmup 5 --runs "${CAP_RUNS:-100}" --export-json "$work/h.json" --output=null \
    "$bin/bench_noop" "$tree/cgi-bin/frame" >/dev/null
  mapfile -t times < <(medians "$work/h.json")
  row "guest book at its cap" "flood check: a 429 among 4096 recent writers" "$(ms "${times[1]}")" \
    "$(ms "${times[0]}") (no-op)" "$(ratio "${times[1]}" "${times[0]}")" "" "" "—"
)

echo "| part | subject | measured | ceiling | ratio | target |"
echo "|---|---|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6 }' "$ceilings"
echo
echo "| part | subject | measured | baseline | ratio | ratio to the same server's no-op | peak RSS | target |"
echo "|---|---|---|---|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7, $8 }' "$rows"
