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
  -DBUILD_TESTING=ON "${flags[@]}" >/dev/null
cmake --build "$dir"
# The summary ends with each skipped test and the reason it gave.
junit=$PWD/$dir/ctest-results.xml
rm -f "$junit"
status=0
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --output-junit "$junit" || status=$?
[[ ! -f $junit ]] || python3 - "$junit" <<'EOF'
import sys, xml.etree.ElementTree as ET
rows = []
for case in ET.parse(sys.argv[1]).iter("testcase"):
    skipped = case.find("skipped")
    if skipped is None:
        continue
    out = (case.findtext("system-out") or "").splitlines()
    # GoogleTest writes its reason after "file:line: Skipped"; a script's
    # reason is its last line.
    marks = [i for i, line in enumerate(out) if line.endswith(": Skipped")]
    why = []
    for line in out[marks[-1] + 1:] if marks else [l for l in out if l.strip()][-1:]:
        if line.startswith("["):
            break
        if line.strip():
            why.append(line.strip())
    rows.append(f"  {case.get('name')}: {' '.join(why) or skipped.get('message')}")
if rows:
    print("Skipped tests, and why:", *rows, sep="\n")
EOF
exit "$status"
