#!/usr/bin/env bash
# Builds everything and serves the site on http://127.0.0.1:$PORT/ (default
# 8080) until interrupted, through persistent FastCGI workers; with
# SITE_MODE=cgi through one CGI process a request. The site tree, with the
# guest book's words in its data/, is RUN: by default /srv/site when started
# as root (the server then runs as www-data, which must reach the tree
# wherever the clone lives), served/ in the clone otherwise. The guest
# book's limits SITE_FLOOD_SECONDS (default 15) and SITE_LOG_MAX_BYTES
# (default 4194304) are taken from the environment, like PORT and TZ.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [[ $(id -u) -eq 0 ]]; then
  run=${RUN:-/srv/site}
else
  run=${RUN:-$PWD/served}
fi
exec site/start.sh "$run" "${PORT:-8080}"
