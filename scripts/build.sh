#!/usr/bin/env bash
# Builds every deliverable and the site, without the tests, into build/
# (the programs in build/bin/): what scripts/serve.sh needs, and nothing the
# tests alone need. scripts/test.sh builds the same folder with its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh serve
# A warning stops the developer's build; a plain cmake build only shows it.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build build
