#!/usr/bin/env bash
# Starts the built site under lighttpd on a free loopback port for a test,
# in a fresh run directory, and stops it again.
#   source serve_for_test.sh       defines serve_start and serve_stop
#   serve_for_test.sh start BUILD MODE   prints "RUN PORT" once the site answers
#   serve_for_test.sh stop RUN           stops that server and removes RUN
# MODE is cgi or fastcgi. Fails (never skips) when lighttpd or curl is missing.

serve_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export PATH=$PATH:/usr/sbin:/sbin

# serve_start BUILD MODE: sets SERVE_RUN and SERVE_PORT; status 1 with a
# message on standard error when the site cannot be started.
serve_start() {
  local build=$1 mode=$2 tool log _
  SERVE_RUN='' SERVE_PORT=''
  for tool in lighttpd curl; do
    command -v "$tool" >/dev/null || { echo "serve_for_test: $tool is not installed" >&2; return 1; }
  done
  SERVE_RUN=$(mktemp -d /tmp/site-test.XXXXXX) || return 1
  # Started as root, the server drops to www-data, which must reach the tree.
  chmod 755 "$SERVE_RUN"
  for _ in 1 2 3 4 5 6 7 8; do
    SERVE_PORT=$((20000 + RANDOM % 20000))
    # Every request comes from the loopback address: the guest book's
    # flood limit is off unless the test sets it.
    if log=$(BUILD=$build SITE_MODE=$mode TZ=UTC SITE_FLOOD_SECONDS=${SITE_FLOOD_SECONDS:-0} \
               "$serve_here/../start.sh" \
               "$SERVE_RUN" "$SERVE_PORT" --daemon 2>&1); then
      break
    fi
    SERVE_PORT=
  done
  if [[ -z $SERVE_PORT ]]; then
    echo "serve_for_test: lighttpd did not start: $log" >&2
    return 1
  fi
  for _ in $(seq 100); do
    if [[ -s $SERVE_RUN/run/lighttpd.pid ]] &&
       [[ $(curl -s -o /dev/null -w '%{http_code}' --max-time 2 "http://127.0.0.1:$SERVE_PORT/") == 200 ]]; then
      return 0
    fi
    sleep 0.1
  done
  echo "serve_for_test: the site on port $SERVE_PORT does not answer" >&2
  return 1
}

# serve_stop [RUN]: stops the server of RUN (default SERVE_RUN) by its
# process id, waits for it to go, and removes RUN.
serve_stop() {
  local run=${1:-${SERVE_RUN:-}} pid _
  [[ -n $run && $run == /tmp/site-test.* && -d $run ]] || return 0
  if [[ -s $run/run/lighttpd.pid ]]; then
    pid=$(<"$run/run/lighttpd.pid")
    if [[ $pid =~ ^[0-9]+$ ]] && kill "$pid" 2>/dev/null; then
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
  fi
  rm -rf "$run"
  [[ $run == "${SERVE_RUN:-}" ]] && SERVE_RUN=
  return 0
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  case ${1:-} in
    start) serve_start "$2" "$3" && echo "$SERVE_RUN $SERVE_PORT" || { serve_stop; exit 1; } ;;
    stop) serve_stop "$2" ;;
    *) echo "usage: $0 start BUILD MODE | stop RUN" >&2; exit 2 ;;
  esac
fi
