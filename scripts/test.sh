#!/usr/bin/env bash
# Builds everything and runs every test.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UBSan, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The web servers live in /usr/sbin, which a normal user's PATH leaves out.
export PATH=$PATH:/usr/sbin:/sbin

dir=build
flags=()
if [[ "${1:-}" == --sanitize ]]; then
  dir=build-sanitize
  flags=(-DSITE_SANITIZE=ON)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

# A warning stops the developer's build (and CI's); a plain cmake build only shows it.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  "${flags[@]}" >/dev/null
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
