#!/usr/bin/env bash
# Installs the pinned axe-core of package-lock.json into DIR with npm, unless
# DIR already holds exactly that lockfile's install.
#   site/tests/axe/install.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
script=$dir/node_modules/axe-core/axe.min.js
if [[ -f $script ]] && cmp -s "$here/package-lock.json" "$dir/package-lock.json"; then
  exit 0
fi
command -v npm >/dev/null || { echo "install.sh: npm is missing (scripts/deps.sh installs it)" >&2; exit 1; }
mkdir -p "$dir"
cp "$here/package.json" "$here/package-lock.json" "$dir/"
npm ci --prefix "$dir" --no-audit --no-fund --ignore-scripts --loglevel=error
[[ -f $script ]] || { echo "install.sh: npm installed no $script" >&2; exit 1; }
