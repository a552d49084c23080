#!/usr/bin/env bash
# Measures what a request costs. Not part of the tests: numbers depend on
# the machine, so they are read by a person, never asserted.
#  1. Start-up and run time of every CGI program for one typical request,
#     static (build/bin) against a dynamically linked build (build-dynamic),
#     with hyperfine.
#  2. Requests per second through the local web server with wrk.
# Needs hyperfine and wrk (Debian packages of those names; installed here
# when running as root).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if ! command -v hyperfine >/dev/null || ! command -v wrk >/dev/null; then
  [[ $(id -u) -eq 0 ]] || { echo "install hyperfine and wrk first" >&2; exit 1; }
  apt-get install -y -qq --no-install-recommends hyperfine wrk >/dev/null
fi
cmake -S . -B build-dynamic -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSITE_STATIC=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-dynamic >/dev/null

tree=$(mktemp -d)
stop() {
  if [[ -f $tree.pid ]]; then kill "$(cat "$tree.pid")" 2>/dev/null; sleep 0.5; rm -f "$tree.pid"; fi
  rm -rf "$tree"
}
trap stop EXIT
mkdir -p "$tree/cgi-bin" "$tree/data"
cd "$tree/cgi-bin"
export LANG=en_US.UTF-8 TZ=America/New_York REMOTE_ADDR=127.0.0.1

requests=(
  "kestrum|date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021&bizmiles=1000&rate=.5"
  "bolvey|date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021"
  "roots|root=5&real=3&imaginary=4"
  "across|r=Benchmark"
  "across-earlier|r=Benchmark"
  "circles|length=2&length_num=1&length_den=2&dimension=radius"
  "quindle|month=3&day=14&year=2021"
)
for entry in "${requests[@]}"; do
  name=${entry%%|*}
  export QUERY_STRING=${entry#*|}
  echo "== $name ($QUERY_STRING)"
  hyperfine -N --warmup 20 --runs 300 --style basic --output=null \
    -n static "$OLDPWD/build/bin/$name" -n dynamic "$OLDPWD/build-dynamic/bin/$name"
done
cd "$OLDPWD"

port=$((20000 + RANDOM % 20000))
site/start.sh "$tree/site" "$port" --daemon >/dev/null
cp "$tree/site/lighttpd.pid" "$tree.pid"
for path in "/cgi-bin/quindle.pl?month=3&day=14&year=2021" "/cgi-bin/across.pl?r=load"; do
  echo "== wrk $path"
  wrk -t2 -c8 -d10s "http://127.0.0.1:$port$path"
done
