#!/usr/bin/env bash
# Measures what a request costs and prints one Markdown table (the table of
# docs/performance.md). Not part of the tests: the numbers depend on the
# machine, so every figure is read against a baseline measured side by
# side in the same run, never asserted.
#  1. Every deliverable started directly, against the fully static no-op
#     (bench/noop.cpp): median time, ratio, peak RSS (hyperfine).
#  2. Requests/s and p99 latency through lighttpd, CGI mode and FastCGI
#     mode, for roots, quindle and the guest book, against the static no-op
#     CGI served by the same lighttpd (wrk).
#  3. The guest book at 0, 10k, 100k and 1M logged words, against the bare
#     "cut -d, -f2 | sort -bfu" pipeline on the same log.
# Installs hyperfine and wrk when missing (as root).
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
stop_server() {
  if [[ -f $work/site/run/lighttpd.pid ]]; then
    kill "$(cat "$work/site/run/lighttpd.pid")" 2>/dev/null || true
    for _ in $(seq 50); do [[ -f $work/site/run/lighttpd.pid ]] || break; sleep 0.1; done
    rm -f "$work/site/run/lighttpd.pid"
  fi
}
trap 'stop_server; rm -rf "$work"' EXIT
rows=$work/rows.tsv

# row PART SUBJECT VALUE BASELINE RATIO RSS TARGET
row() { printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$rows"; }

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
    "$(ratio "${times[1]}" "${times[0]}")" "$(awk -v k="$rss" 'BEGIN { printf "%.1f MiB", k / 1024 }')" \
    "$target"
}
mkdir -p "$work/direct/cgi-bin" "$work/direct/data" "$work/chips"
cp "$root/site/chips/rgbp.txt" "$root/site/chips/grayp.txt" "$work/chips/"
(
  cd "$work/direct/cgi-bin"
  entries=()
  export LANG=en_US.UTF-8 TZ=America/New_York REMOTE_ADDR=127.0.0.1 REQUEST_METHOD=GET
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

# 2. Through lighttpd, the no-op CGI on the same server as the frame.
noop_cgi() {
  mkdir -p "$work/site/noop-bin"
  cp "$bin/bench_noop" "$work/site/noop-bin/noop"
  cat >>"$work/site/conf/lighttpd.conf" <<EOF
alias.url += ("/noop-bin/" => site_dir + "/noop-bin/")
\$HTTP["url"] =~ "^/noop-bin/" { cgi.assign = ("/noop" => "") }
EOF
}
wrk_run() {  # PATH: prints "requests/s<TAB>p99"
  wrk -t2 -c8 -d"${seconds}s" --latency "http://127.0.0.1:$port$1" |
    awk '/Requests\/sec:/ { rps = $2 }
         $1 == "99%" { unit = $2; sub(/^[0-9.]+/, "", unit); p99 = $2 + 0
                       if (unit == "us") p99 /= 1000; else if (unit == "s") p99 *= 1000 }
         END { printf "%d\t%.2f\n", rps, p99 }'
}
# The middle of three values.
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
port=$((20000 + RANDOM % 20000))
paths=(/noop-bin/noop "/cgi-bin/roots.pl?root=5&real=3&imaginary=4"
  "/cgi-bin/quindle.pl?month=3&day=14&year=2021" "/cgi-bin/across.pl?r=load")
for mode in cgi fastcgi; do
  cmake --install build --prefix "$work/site" >/dev/null
  SITE_TZ=UTC deploy/configure.sh "$work/site" "$port" "$mode"
  noop_cgi
  [[ $(id -u) -ne 0 ]] || chown -R www-data: "$work/site/data" "$work/site/run"
  lighttpd -f "$work/site/conf/lighttpd.conf"
  sleep 1
  # Three rounds over all the addresses, so that a slow moment of the
  # machine falls on all of them alike; each figure is the median round.
  declare -A rps=() p99=()
  for round in 1 2 3; do
    for path in "${paths[@]}"; do
      IFS=$'\t' read -r r p < <(wrk_run "$path")
      rps[$path]+=" $r"
      p99[$path]+=" $p"
    done
  done
  base=$(median3 ${rps[/noop-bin/noop]})
  row "lighttpd, $mode" "static no-op CGI" "$base req/s, p99 $(median3 ${p99[/noop-bin/noop]}) ms" \
    "" "1.00" "" ""
  target="≥ 0.90× (calculators)"
  [[ $mode == cgi ]] || target="≥ 5× (calculators)"
  for path in "${paths[@]:1}"; do
    name=${path#/cgi-bin/}
    r=$(median3 ${rps[$path]})
    wanted=$target
    [[ $name != across* ]] || wanted="—"
    row "lighttpd, $mode" "${name%%\?*}" "$r req/s, p99 $(median3 ${p99[$path]}) ms" "$base req/s" \
      "$(ratio "$r" "$base")" "" "$wanted"
  done
  unset rps p99
  stop_server
done

# 3. The guest book against the bare pipeline, on logs of growing size.
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
tree=$work/book
mkdir -p "$tree/cgi-bin" "$tree/data"
cp "$bin/frame" "$tree/cgi-bin/frame"
for words in 0 10000 100000 1000000; do
  make_log "$words" "$tree/data/across.log"
  printf '%06d\n\n' "$words" >"$tree/data/across.cnt"
  (
    cd "$tree/cgi-bin"
    export REQUEST_METHOD=GET REQUEST_URI=/cgi-bin/across.pl QUERY_STRING=r=bench REMOTE_ADDR=127.0.0.1
    runs=$((words >= 1000000 ? 5 : 20))
    hyperfine --warmup 2 --runs "$runs" --export-json "$work/h.json" --output=null \
      "cut -d, -f2 ../data/across.log | sort -bfu" "$tree/cgi-bin/frame" >/dev/null
  )
  mapfile -t times < <(medians "$work/h.json")
  target="—"
  [[ $words -lt 100000 ]] || target="≤ 0.50×"
  row "guest book" "$words words" "$(ms "${times[1]}")" "$(ms "${times[0]}") (pipeline)" \
    "$(ratio "${times[1]}" "${times[0]}")" "" "$target"
done

echo "| part | subject | measured | baseline | ratio | peak RSS | target |"
echo "|---|---|---|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }' "$rows"
