#!/usr/bin/env bash
# A private MariaDB server on loopback for the update-check tests.
#   update_server.sh start DETAILS_FILE   initialise, start, create user, database and table
#   update_server.sh stop  DETAILS_FILE   shut the server down and remove its files
# DETAILS_FILE receives key=value lines: host, port, user, password, database, socket,
# admin_user, admin_password, pid, dir. Nothing of the system's own MariaDB is read or touched:
# every program runs with --no-defaults and explicit paths. The server hands ordinary users a
# latin1 connection, so a client that does not ask for UTF-8 gets no UTF-8.
set -uo pipefail

action=${1:-}
details=${2:-}
[ -n "$action" ] && [ -n "$details" ] || { echo "usage: $0 start|stop DETAILS_FILE" >&2; exit 2; }

user_name=zendavo
user_password='Zd-8pw#1'
database=zendavo
start_wait_seconds=120

find_program() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    if [ -x "/usr/sbin/$name" ]; then echo "/usr/sbin/$name"; return 0; fi
  done
  echo "update_server.sh: none of $* found" >&2
  return 1
}

detail() {  # detail KEY: the value of KEY in the details file
  sed -n "s/^$1=//p" "$details" 2>/dev/null | head -n 1
}

# Running as root, mariadbd must be told so; as anyone else it runs as that user.
run_as=()
[ "$(id -u)" -eq 0 ] && run_as=(--user=root)

# is_our_server PID DIR: PID is the mariadbd this script started on DIR (not a reused pid).
is_our_server() {
  [ -n "$1" ] && [ -n "$2" ] && [ -r "/proc/$1/cmdline" ] &&
    tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | grep -q -x -F -- "--datadir=$2/data"
}

stop_server() {
  [ -f "$details" ] || return 0
  local pid dir sock
  pid=$(detail pid); dir=$(detail dir); sock=$(detail socket)
  if is_our_server "$pid" "$dir"; then
    "$admin" --no-defaults --socket="$sock" --user=root --connect-timeout=5 shutdown >/dev/null 2>&1
    for _ in $(seq 1 300); do is_our_server "$pid" "$dir" || break; sleep 0.1; done
    if is_our_server "$pid" "$dir"; then kill -TERM "$pid" 2>/dev/null; sleep 3; fi
    if is_our_server "$pid" "$dir"; then kill -KILL "$pid" 2>/dev/null; sleep 0.5; fi
  fi
  # Only ever remove a folder this script made.
  case "$dir" in
    */zendavo-mariadb.*) rm -rf -- "$dir" ;;
  esac
  rm -f -- "$details"
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

server_answers() {
  "$admin" --no-defaults --socket="$1" --user=root --connect-timeout=2 ping >/dev/null 2>&1
}

# start_on PORT: 0 when the server answers, 1 when the port was taken, 2 on any other failure.
start_on() {
  local port=$1
  rm -f "$dir/error.log"
  "$mariadbd" --no-defaults "${run_as[@]}" \
    --datadir="$dir/data" --socket="$dir/mysqld.sock" --pid-file="$dir/mysqld.pid" \
    --tmpdir="$dir" --log-error="$dir/error.log" \
    --port="$port" --bind-address=127.0.0.1 --skip-name-resolve \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-buffer-pool-size=16M --innodb-log-file-size=8M --innodb-use-native-aio=0 \
    --skip-log-bin --performance-schema=0 --max-connections=50 \
    --init-connect='SET NAMES latin1' \
    </dev/null >/dev/null 2>&1 &
  server_pid=$!
  local waited=0
  while [ "$waited" -lt $((start_wait_seconds * 10)) ]; do
    if ! kill -0 "$server_pid" 2>/dev/null; then
      wait "$server_pid" 2>/dev/null
      grep -q -i "bind on tcp/ip port\|address already in use" "$dir/error.log" 2>/dev/null && return 1
      return 2
    fi
    if server_answers "$dir/mysqld.sock"; then return 0; fi
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$server_pid" 2>/dev/null
  return 2
}

admin=$(find_program mariadb-admin mysqladmin) || exit 1

case "$action" in
stop)
  stop_server
  exit 0
  ;;
start)
  ;;
*)
  echo "update_server.sh: unknown action $action" >&2
  exit 2
  ;;
esac

mariadbd=$(find_program mariadbd mysqld) || exit 1
install_db=$(find_program mariadb-install-db mysql_install_db) || exit 1
client=$(find_program mariadb mysql) || exit 1

# A server left behind by an interrupted run goes first.
stop_server
rm -f -- "$details.install-failed.log"

# The socket path must stay short (sun_path holds 107 bytes), so the folder lives in the
# temporary folder, and in /tmp when that one's path is long.
tmp_root=${TMPDIR:-/tmp}
[ ${#tmp_root} -le 60 ] && [ -d "$tmp_root" ] && [ -w "$tmp_root" ] || tmp_root=/tmp
dir=$(mktemp -d "$tmp_root/zendavo-mariadb.XXXXXX") || exit 1
mkdir -p "$(dirname "$details")"
printf 'dir=%s\n' "$dir" >"$details"

# Initialise the data folder; a failed attempt is retried on a fresh folder once, and its
# log kept beside the details file.
install_data() {
  "$install_db" --no-defaults "${run_as[@]}" --datadir="$dir/data" \
    --auth-root-authentication-method=normal --skip-test-db --skip-name-resolve \
    --tmpdir="$dir" --innodb-use-native-aio=0 --innodb-buffer-pool-size=16M \
    >"$dir/install.log" 2>&1
}
if ! install_data; then
  cp "$dir/install.log" "$details.install-failed.log" 2>/dev/null
  rm -rf -- "$dir/data"
  if ! install_data; then
    echo "update_server.sh: mariadb-install-db failed twice; its log:" >&2
    cat "$dir/install.log" >&2
    stop_server
    exit 1
  fi
fi

server_pid=
port=
for _ in $(seq 1 20); do
  candidate=$((20000 + RANDOM % 40000))
  port_in_use "$candidate" && continue
  start_on "$candidate"
  case $? in
    0) port=$candidate; break ;;
    1) continue ;;
    *) echo "update_server.sh: mariadbd did not start:" >&2
       cat "$dir/error.log" >&2 2>/dev/null
       printf 'pid=%s\n' "$server_pid" >>"$details"
       stop_server
       exit 1 ;;
  esac
done
if [ -z "$port" ]; then
  echo "update_server.sh: no free loopback port found" >&2
  stop_server
  exit 1
fi
printf 'pid=%s\nsocket=%s\n' "$server_pid" "$dir/mysqld.sock" >>"$details"

# The program's user may read the databases zendavo and zendavo_*, from loopback and over
# the socket; root keeps only its socket account.
if ! "$client" --no-defaults --socket="$dir/mysqld.sock" --user=root --batch >"$dir/setup.log" 2>&1 <<SQL
DROP USER IF EXISTS 'root'@'127.0.0.1', 'root'@'::1';
CREATE DATABASE \`$database\` CHARACTER SET utf8mb4;
CREATE USER '$user_name'@'127.0.0.1' IDENTIFIED BY '$user_password';
CREATE USER '$user_name'@'localhost' IDENTIFIED BY '$user_password';
GRANT SELECT ON \`zendavo%\`.* TO '$user_name'@'127.0.0.1';
GRANT SELECT ON \`zendavo%\`.* TO '$user_name'@'localhost';
CREATE TABLE \`$database\`.addwatermark (
  id INT AUTO_INCREMENT PRIMARY KEY,
  mark INT,
  ver DOUBLE,
  note TEXT,
  upaddress TEXT
) CHARACTER SET utf8mb4;
SQL
then
  echo "update_server.sh: setting up the database failed:" >&2
  cat "$dir/setup.log" >&2
  stop_server
  exit 1
fi

{
  printf 'host=127.0.0.1\nport=%s\n' "$port"
  printf 'user=%s\npassword=%s\ndatabase=%s\n' "$user_name" "$user_password" "$database"
  printf 'admin_user=root\nadmin_password=\n'
} >>"$details"
echo "update_server.sh: mariadbd $server_pid on 127.0.0.1:$port, socket $dir/mysqld.sock"
exit 0
