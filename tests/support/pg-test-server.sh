#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests.
#
#   pg-test-server.sh start DIR   makes a private cluster in DIR (which must be
#                                 empty or missing), starts it on a free local
#                                 port with its Unix socket in DIR, creates the
#                                 login "hourwright" (may create databases) and
#                                 the database "hourwright", and prints the
#                                 HW_TEST_PG_* variables the tests read as
#                                 export lines (also kept in DIR/env). The
#                                 superuser HW_TEST_PG_ADMIN_USER signs in
#                                 without a password through the Unix socket
#                                 in DIR (HW_TEST_PG_DIR): the tests of one
#                                 login per person make their roles with it.
#   pg-test-server.sh stop DIR    stops the server and removes DIR.
#   pg-test-server.sh down DIR    stops the server and keeps its data;
#   pg-test-server.sh up DIR      starts it again on the same port.
#
# The server refuses to run as root; as root the cluster belongs to the
# "postgres" account (or "nobody" without it).
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop|down|up DIR" >&2
  exit 2
fi

pg_bin() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bin" ] && command -v pg_config >/dev/null; then
    bin=$(pg_config --bindir)
  fi
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL server programs not found (Debian package postgresql)" >&2
    return 1
  fi
  echo "$bin"
}

# Runs a command as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    "$@"
  fi
}

owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  getent passwd postgres >/dev/null || owner=nobody
fi

case "$command" in
start)
  bin=$(pg_bin)
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  if [ -n "$(ls -A "$dir")" ]; then
    echo "$dir is not empty" >&2
    exit 1
  fi
  chmod 755 "$dir"
  [ "$(id -u)" -eq 0 ] && chown "$owner" "$dir"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  password=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
  as_owner "$bin/initdb" -D "$dir/data" -U hw_admin -E UTF8 --locale=C \
    --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 || {
    cat "$dir/initdb.log" >&2
    exit 1
  }
  # Durability is of no use to a server that is thrown away.
  echo "-c port=$port -c listen_addresses=127.0.0.1 -c unix_socket_directories=$dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" >"$dir/options"
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$(cat "$dir/options")" \
    start >/dev/null || {
    cat "$dir/server.log" >&2
    exit 1
  }
  as_owner "$bin/psql" -h "$dir" -p "$port" -U hw_admin -d postgres -v ON_ERROR_STOP=1 -q \
    -c "create role hourwright login createdb password '$password'" \
    -c "create database hourwright owner hourwright" >&2
  cat >"$dir/env" <<EOF
export HW_TEST_PG_SERVER=127.0.0.1:$port
export HW_TEST_PG_DATABASE=hourwright
export HW_TEST_PG_USER=hourwright
export HW_TEST_PG_PASSWORD=$password
export HW_TEST_PG_DIR=$dir
export HW_TEST_PG_ADMIN_USER=hw_admin
EOF
  cat "$dir/env"
  ;;
down)
  as_owner "$(pg_bin)/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  ;;
up)
  as_owner "$(pg_bin)/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$(cat "$dir/options")" start >/dev/null
  ;;
stop)
  if [ -d "$dir/data" ]; then
    bin=$(pg_bin)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop|down|up DIR" >&2
  exit 2
  ;;
esac
