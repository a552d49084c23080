#!/usr/bin/env bash
# Builds everything and serves the site on http://127.0.0.1:$PORT/ (default
# 8080) until interrupted, through persistent FastCGI workers; with
# SITE_MODE=cgi through one CGI process a request. The site tree, with the
# guest book's data, is build/site.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec site/start.sh build/site "${PORT:-8080}"
