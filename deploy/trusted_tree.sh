# Sourced (bash) by every script that root runs on a site tree: root acts on
# a tree only when nobody else can change what its paths name.
#   trusted_tree RUN          checks RUN as it stands
#   trusted_tree RUN --make   also makes the folders of RUN that are missing
# RUN is an absolute path without symbolic links (realpath). Every folder
# from / down to RUN, and RUN's conf/, cgi-bin/, htdocs/ and run/ where they
# exist, must be a real folder (no link) that belongs to root and that
# neither its group nor others may write. Only a folder above RUN may be
# open to everyone when it is sticky (/tmp): nobody else may then rename or
# remove the root-owned folder inside it. A folder --make creates is made
# one at a time and checked once it is there, so one that another user made
# first is refused before anything is written into it. On a refusal the
# reason is printed on standard error and the status is 1. Run as a
# program (bash trusted_tree.sh RUN [--make], below) it checks for root only.

# plain_path PATH: PATH is absolute and holds only letters, digits, '.',
# '_', '-' and '/', so it can be written as it stands into any
# configuration and any sed replacement.
plain_path() { [[ $1 =~ ^/[A-Za-z0-9._/-]+$ ]]; }

# trusted_folder PATH ABOVE: PATH is a folder root alone controls; ABOVE
# (yes or no) says whether a sticky folder open to everyone will do.
trusted_folder() {
  local owner mode
  if [[ -L $1 || ! -d $1 ]]; then
    echo "$1 is not a folder but a link or a file" >&2
    return 1
  fi
  owner=$(stat -c %u -- "$1") mode=$(stat -c %a -- "$1")
  if [[ $owner != 0 ]]; then
    echo "$1 belongs to $(stat -c %U -- "$1"), not root" >&2
    return 1
  fi
  local open=$((8#$mode & 8#022)) sticky=$((8#$mode & 8#1000))
  if ((open)) && ! [[ $2 == yes ]] || ((open && !sticky)); then
    echo "$1 may be written by its group or by others (mode $mode)" >&2
    return 1
  fi
}

trusted_tree() {
  local run=$1 make=${2:-} path= part parts sub
  if [[ $run != /* ]]; then
    echo "$run is not an absolute path" >&2
    return 1
  fi
  trusted_folder / yes || return 1
  IFS=/ read -ra parts <<<"${run#/}"
  for part in "${parts[@]}"; do
    [[ -n $part ]] || continue
    path=$path/$part
    if [[ ! -e $path && ! -L $path ]]; then
      [[ $make == --make ]] || return 0
      mkdir -m 755 -- "$path" || return 1
    fi
    if [[ $path == "${run%/}" ]]; then
      trusted_folder "$path" no || return 1
    else
      trusted_folder "$path" yes || return 1
    fi
  done
  for sub in conf cgi-bin htdocs run; do
    [[ ! -e $run/$sub && ! -L $run/$sub ]] || trusted_folder "$run/$sub" no || return 1
  done
}

# Run as a program (the install does, before it writes): the same check on
# RUN with its links resolved, made only for root.
#   bash trusted_tree.sh RUN [--make]
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  [[ $(id -u) -ne 0 ]] || trusted_tree "$(realpath -m -- "$1")" "${2:-}"
fi
