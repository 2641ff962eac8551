#!/usr/bin/env bash
# A throwaway PostgreSQL server for the data-source tests.
#
#   eval "$(bash tests/datasource/pg_test_server.sh start)"   # exports CAVRA_TEST_PG
#   bash tests/datasource/pg_test_server.sh stop
#   bash tests/datasource/pg_test_server.sh conninfo           # prints the conninfo only
#
# start initdb's a cluster in $CAVRA_PG_TEST_DIR (default /tmp/cavra-pg-test),
# starts it listening on a unix socket in that folder only (no TCP port), and
# prints an export line on stdout; progress and errors go to stderr. It runs
# the server as the calling user, or, under root, as the "postgres" system
# user (created when missing). start on a running server only prints the line
# again; stop on a stopped one does nothing; both remove nothing outside the
# folder.
set -euo pipefail

DIR="${CAVRA_PG_TEST_DIR:-/tmp/cavra-pg-test}"
PORT="${CAVRA_PG_TEST_PORT:-54329}"
DATA="$DIR/data"
SOCK="$DIR/sock"
LOG="$DIR/server.log"
SUPERUSER=cavra

say() { echo "pg_test_server: $*" >&2; }
die() { say "error: $*"; exit 1; }

find_bin() {
  local name=$1 dir
  for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [[ -x "$dir/$name" ]]; then echo "$dir/$name"; return 0; fi
  done
  command -v "$name" 2>/dev/null && return 0
  return 1
}

as_server_user() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

conninfo() { echo "host=$SOCK port=$PORT user=$SUPERUSER dbname=postgres"; }

is_running() {
  [[ -f "$DATA/postmaster.pid" ]] && as_server_user "$PG_CTL" -D "$DATA" status >/dev/null 2>&1
}

start() {
  INITDB=$(find_bin initdb) || die "initdb not found: install the postgresql package"
  if is_running; then
    say "already running in $DIR"
    echo "export CAVRA_TEST_PG='$(conninfo)'"
    return 0
  fi
  if [[ $(id -u) -eq 0 ]] && ! id postgres >/dev/null 2>&1; then
    say "creating the postgres system user"
    useradd --system --no-create-home --shell /usr/sbin/nologin postgres ||
      die "cannot create the postgres user"
  fi
  rm -rf "$DIR"
  mkdir -p "$DATA" "$SOCK"
  chmod 0755 "$DIR"
  chmod 0700 "$DATA"
  if [[ $(id -u) -eq 0 ]]; then chown -R postgres: "$DIR"; fi
  say "initdb in $DATA"
  if ! as_server_user "$INITDB" -D "$DATA" -U "$SUPERUSER" -A trust -E UTF8 --no-locale \
      >"$DIR/initdb.log" 2>&1; then
    cat "$DIR/initdb.log" >&2
    die "initdb failed"
  fi
  say "starting on socket $SOCK, port $PORT"
  local options="-c listen_addresses='' -c unix_socket_directories='$SOCK' -p $PORT"
  options+=" -c fsync=off -c full_page_writes=off -c synchronous_commit=off"
  if ! as_server_user "$PG_CTL" -D "$DATA" -l "$LOG" -w -t 60 -o "$options" start >/dev/null 2>&1; then
    [[ -f "$LOG" ]] && tail -n 20 "$LOG" >&2
    die "the server did not start (log: $LOG)"
  fi
  echo "export CAVRA_TEST_PG='$(conninfo)'"
}

stop() {
  if [[ -d "$DATA" ]] && is_running; then
    say "stopping"
    as_server_user "$PG_CTL" -D "$DATA" -m fast -w -t 60 stop >/dev/null 2>&1 || {
      say "fast stop failed, stopping immediately"
      as_server_user "$PG_CTL" -D "$DATA" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
    }
  fi
  rm -rf "$DIR"
}

PG_CTL=$(find_bin pg_ctl) || PG_CTL=pg_ctl
case "${1:-}" in
  start) start ;;
  stop) stop ;;
  conninfo) conninfo ;;
  *) echo "usage: $0 start|stop|conninfo" >&2; exit 2 ;;
esac
