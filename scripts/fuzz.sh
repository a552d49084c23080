#!/usr/bin/env bash
# Builds the coverage-guided page fuzzer with clang (AddressSanitizer and
# UBSan on) in build-fuzz/ and runs it for SECONDS (default 60) from a
# scratch site tree, so the guest book writes only there. The tree lies in
# memory (/dev/shm) where it can, so the guest book's synced writes cost
# little; the fuzzer empties its logs every 64 runs. It starts from the seeds
# of fuzz/make_corpus.sh and the dictionary fuzz/pages.dict, which reach
# every field, the 255/256- and 2047/2048-byte limits and the escapes.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSITE_LIBFUZZER=ON \
  -DSITE_SANITIZE=ON -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz --target pages_fuzzer
memory=/dev/shm
[[ -d $memory && -w $memory ]] || memory=${TMPDIR:-/tmp}
tree=$(mktemp -d -p "$memory")
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/cgi-bin" "$tree/data" "$tree/corpus"
printf 'darn\nheck\n%%3C\n' >"$tree/data/foul.language"
fuzz/make_corpus.sh "$tree/seeds"
cd "$tree/cgi-bin"
# A smaller quarantine than AddressSanitizer's 256 MB reuses memory sooner:
# fewer page faults a run, still a use after free caught within 16 MB.
export ASAN_OPTIONS=quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}
"$OLDPWD/build-fuzz/fuzz/pages_fuzzer" -max_total_time="$seconds" -max_len=4096 \
  -dict="$OLDPWD/fuzz/pages.dict" -print_final_stats=1 "$tree/corpus" "$tree/seeds"
