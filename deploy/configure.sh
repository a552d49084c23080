#!/usr/bin/env bash
# Prepares the site tree DIR (which holds cgi-bin/frame and htdocs/) for its
# web servers: the guest book's files in DIR/data when they are missing, and
# every server's configuration in DIR/conf, written from the templates.
#   configure.sh DIR [PORT] [MODE]
# Each setting is taken from the argument or variable, else from
# DIR/conf/site.env (what the last run used, so a reinstall keeps it), else
# from its default; the settings used are stored back in DIR/conf/site.env.
# PORT defaults to 8080, MODE (fastcgi or cgi, lighttpd's) to fastcgi;
# SITE_BIND (127.0.0.1), SITE_TZ (UTC), SITE_USER (www-data) and the guest
# book's limits SITE_FLOOD_SECONDS (15: one word an address every 15 s) and
# SITE_LOG_MAX_BYTES (4194304: each log's cap) may be set; 0 turns a limit
# off.
# Installed as DIR/conf/configure.sh, with its templates in
# DIR/conf/templates, so a tree can be reconfigured from itself.
# DIR, with every link in it resolved, must be a plain path (letters,
# digits, . _ - /): it is written into every configuration as it stands.
# Run as root, DIR must be a tree only root controls (trusted_tree.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
templates=$here/templates
[[ -d $templates ]] || templates=$here
# shellcheck source=deploy/trusted_tree.sh
source "$here/trusted_tree.sh"
[[ $# -ge 1 && $# -le 3 ]] || { echo "usage: configure.sh DIR [PORT] [MODE]" >&2; exit 2; }
die() {
  echo "configure.sh: $*" >&2
  exit 2
}
dir=$(cd "$1" && pwd -P)
plain_path "$dir" || die "DIR may hold only letters, digits, '.', '_', '-' and '/': $dir"
if [[ $(id -u) -eq 0 ]]; then
  why=$(trusted_tree "$dir" 2>&1) || die "root writes only into a tree that nobody else controls: $why"
fi
settings=$dir/conf/site.env

# The stored settings: only the known names, read as text, never run.
declare -A stored=()
if [[ -f $settings ]]; then
  while IFS='=' read -r key value; do
    case $key in
      SITE_PORT | SITE_MODE | SITE_BIND | SITE_TZ | SITE_USER | SITE_FLOOD_SECONDS | SITE_LOG_MAX_BYTES)
        stored[$key]=$value ;;
    esac
  done <"$settings"
fi
port=${2:-${stored[SITE_PORT]:-8080}}
mode=${3:-${stored[SITE_MODE]:-fastcgi}}
bind=${SITE_BIND:-${stored[SITE_BIND]:-127.0.0.1}}
zone=${SITE_TZ:-${stored[SITE_TZ]:-UTC}}
user=${SITE_USER:-${stored[SITE_USER]:-www-data}}
flood=${SITE_FLOOD_SECONDS:-${stored[SITE_FLOOD_SECONDS]:-15}}
cap=${SITE_LOG_MAX_BYTES:-${stored[SITE_LOG_MAX_BYTES]:-4194304}}
# Every value lands in configurations and in a sed replacement, so each is
# held to the characters its kind needs.
[[ $port =~ ^[0-9]{1,5}$ ]] && ((10#$port >= 1 && 10#$port <= 65535)) || die "PORT is not a port: $port"
[[ $mode == fastcgi || $mode == cgi ]] || die "MODE is fastcgi or cgi"
[[ $bind =~ ^[][0-9A-Za-z.:-]+$ ]] || die "SITE_BIND is not an address: $bind"
[[ $zone =~ ^[A-Za-z0-9_+/.,:-]+$ ]] || die "SITE_TZ is not a zone: $zone"
[[ $user =~ ^[a-z_][a-z0-9_-]*$ ]] || die "SITE_USER is not a user name: $user"
[[ $flood =~ ^[0-9]{1,5}$ ]] && ((10#$flood <= 86400)) || die "SITE_FLOOD_SECONDS is not 0 to 86400: $flood"
[[ $cap =~ ^[0-9]{1,15}$ ]] || die "SITE_LOG_MAX_BYTES is not a number of bytes: $cap"
flood=$((10#$flood)) cap=$((10#$cap))

csp=$("$dir/cgi-bin/frame" --security-policy)
# The policy stands in double quotes in every configuration, where nginx
# also expands $: one line without ", \ or $.
[[ $csp =~ ^[^\"\\$]+$ && $csp != *$'\n'* ]] || die "the frame's security policy cannot be quoted: $csp"
# Each status the frame has an error document for becomes an error page of
# nginx and of Apache (one line each, joined by sed's newline).
nginx_errors='' apache_errors=''
for code in $("$dir/cgi-bin/frame" --error-statuses); do
  [[ $code =~ ^[0-9]{3}$ ]] || die "the frame lists an odd status: $code"
  nginx_errors+="${nginx_errors:+\\n    }error_page $code /errors/$code.html;"
  apache_errors+="${apache_errors:+\\n}ErrorDocument $code /errors/$code.html"
done
mkdir -p "$dir/conf" "$dir/run/user" "$dir/data"

# The guest book's files, each created only when missing and never through
# a link: written to a new temporary file and moved to its name only when
# nothing is there, not even a dangling link (mv -n renames without
# replacing). On a data/ that belongs to another user this runs as that
# user, so root never writes into a folder someone else controls. Visitors'
# addresses are for the owner and its group only: data/ is made 0750 and
# its regular files 0640 (an older tree's too); find never follows a link,
# and a link in data/ is left as it is.
as_owner=()
read -r owner group < <(stat -c '%u %g' "$dir/data")
if [[ $(id -u) -eq 0 && $owner != 0 ]]; then
  as_owner=(setpriv --reuid="$owner" --regid="$group" --clear-groups)
fi
"${as_owner[@]}" sh -euc '
  cd "$1"
  for name in foul.language across.log bad_across.log across.cnt; do
    [ -e "$name" ] || [ -L "$name" ] && continue
    new=$(mktemp .new.XXXXXX)
    case $name in
      foul.language) cat "$2" ;;
      across.cnt) printf "000000\n\n" ;;
    esac >"$new"
    chmod 640 "$new"
    mv -n -T "$new" "$name"
    rm -f "$new"
  done
  find . -maxdepth 0 -type d -exec chmod 750 {} +
  find . -maxdepth 1 -type f ! -perm 640 -exec chmod 640 {} +' sh "$dir/data" "$templates/foul.language"

# A value as a sed replacement: its \, & and the delimiter | taken literally.
literal() { printf '%s' "$1" | sed -e 's/[\\&|]/\\&/g'; }
csp=$(literal "$csp")
for template in "$templates"/*.in; do
  name=$(basename "$template" .in)
  sed -e "s|@SITE_DIR@|$dir|g" -e "s|@SITE_PORT@|$port|g" -e "s|@SITE_MODE@|$mode|g" \
      -e "s|@SITE_BIND@|$bind|g" -e "s|@SITE_TZ@|$zone|g" \
      -e "s|@SITE_USER@|$user|g" -e "s|@SITE_CSP@|$csp|g" \
      -e "s|@SITE_NGINX_ERROR_PAGES@|$nginx_errors|" -e "s|@SITE_APACHE_ERROR_DOCUMENTS@|$apache_errors|" \
      -e "s|@SITE_FLOOD_SECONDS@|$flood|g" -e "s|@SITE_LOG_MAX_BYTES@|$cap|g" \
      "$template" >"$dir/conf/$name.new"
  mv "$dir/conf/$name.new" "$dir/conf/$name"
done
printf '# The settings of this site tree, kept for conf/configure.sh\nSITE_PORT=%s\nSITE_MODE=%s\nSITE_BIND=%s\nSITE_TZ=%s\nSITE_USER=%s\nSITE_FLOOD_SECONDS=%s\nSITE_LOG_MAX_BYTES=%s\n' \
  "$port" "$mode" "$bind" "$zone" "$user" "$flood" "$cap" >"$settings.new"
mv "$settings.new" "$settings"
