#!/usr/bin/env bash
# Writes the web servers' configurations for the site tree DIR (which holds
# cgi-bin/frame, htdocs/ and data/) into DIR/conf, from the templates
# beside this script.
#   deploy/configure.sh DIR [PORT] [MODE]
# PORT defaults to 8080, MODE (fastcgi or cgi, lighttpd's) to fastcgi.
# SITE_BIND (127.0.0.1), SITE_TZ (UTC) and SITE_USER (www-data) may be set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$(cd "$1" && pwd)
port=${2:-8080}
mode=${3:-fastcgi}
case $mode in fastcgi | cgi) ;; *) echo "configure.sh: MODE is fastcgi or cgi" >&2; exit 2 ;; esac
csp=$("$dir/cgi-bin/frame" --security-policy)
mkdir -p "$dir/conf" "$dir/run"
for template in "$here"/*.in; do
  name=$(basename "$template" .in)
  sed -e "s|@SITE_DIR@|$dir|g" -e "s|@SITE_PORT@|$port|g" -e "s|@SITE_MODE@|$mode|g" \
      -e "s|@SITE_BIND@|${SITE_BIND:-127.0.0.1}|g" -e "s|@SITE_TZ@|${SITE_TZ:-UTC}|g" \
      -e "s|@SITE_USER@|${SITE_USER:-www-data}|g" -e "s|@SITE_CSP@|$csp|g" \
      "$template" >"$dir/conf/$name.new"
  mv "$dir/conf/$name.new" "$dir/conf/$name"
done
