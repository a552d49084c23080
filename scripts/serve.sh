#!/usr/bin/env bash
# Builds everything and serves the site locally on http://127.0.0.1:$PORT/
# (default 8080) until interrupted; the guest book keeps its data in
# build/site/data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec site/start.sh build/site "${PORT:-8080}"
