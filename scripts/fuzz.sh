#!/usr/bin/env bash
# Builds the coverage-guided page fuzzer with clang (AddressSanitizer and
# UBSan on) in build-fuzz/ and runs it for SECONDS (default 60) from a
# scratch site tree, so the guest book writes only there.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSITE_LIBFUZZER=ON \
  -DSITE_SANITIZE=ON -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz --target pages_fuzzer
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/cgi-bin" "$tree/data" "$tree/corpus"
cd "$tree/cgi-bin"
"$OLDPWD/build-fuzz/fuzz/pages_fuzzer" -max_total_time="$seconds" -max_len=4096 \
  -print_final_stats=1 "$tree/corpus"
