#!/usr/bin/env bash
# Builds every deliverable into build/bin/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# A warning stops the developer's build; a plain cmake build only shows it.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  >/dev/null
cmake --build build
