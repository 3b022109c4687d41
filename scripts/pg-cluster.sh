#!/usr/bin/env bash
# A private, throw-away PostgreSQL cluster for the integration tests.
#
#   pg-cluster.sh start  [DIR]   create and start it; print `export` lines
#   pg-cluster.sh stop   [DIR]   stop it and delete DIR
#   pg-cluster.sh status [DIR]   exit 0 when running, 3 when not
#
# The cluster lives entirely in DIR (default ${TMPDIR:-/tmp}/querimo-pg-<uid>),
# listens on 127.0.0.1 only, on a free port that is never 5432, and keeps its
# unix socket in DIR, so the system's own cluster is never involved.
# `eval "$(pg-cluster.sh start DIR)"` sets QUERIMO_PG_ANSI and
# QUERIMO_PG_UNICODE; DIR/env.sh holds the same lines.
set -euo pipefail

MARKER=.querimo-pg-cluster
DB_NAME=querimo
DB_USER=querimo
SUPERUSER=postgres

log() { printf 'pg-cluster: %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

usage() {
    echo "usage: $0 start|stop|status [DIR]" >&2
    exit 2
}

(($# >= 1 && $# <= 2)) || usage
cmd=$1
dir=${2:-${TMPDIR:-/tmp}/querimo-pg-$(id -u)}
dir=$(realpath -m -- "$dir")
[[ $dir != / ]] || die "refusing to use / as the cluster folder"
data=$dir/data

# Environment variables of libpq must not redirect our own psql calls.
unset PGHOST PGHOSTADDR PGPORT PGDATABASE PGUSER PGSERVICE PGSERVICEFILE PGOPTIONS PGDATA

# The highest installed version (a plain glob would sort 9.6 after 15).
pg_bin=$(for candidate in /usr/lib/postgresql/*/bin; do
    [[ -x $candidate/initdb ]] && echo "$candidate"
done | sort -V | tail -n 1)
[[ -n $pg_bin ]] || die "no initdb under /usr/lib/postgresql/*/bin (run scripts/install-deps.sh)"

# PostgreSQL refuses to run as root; root runs it as an unprivileged user.
pg_user=
if [[ $(id -u) -eq 0 ]]; then
    if id -u postgres >/dev/null 2>&1; then
        pg_user=postgres
    else
        pg_user=querimo-pg
        if ! id -u "$pg_user" >/dev/null 2>&1; then
            useradd --system --no-create-home --shell /usr/sbin/nologin "$pg_user"
        fi
    fi
fi

# Runs a PostgreSQL program as the cluster's owner, from inside the cluster
# folder (the caller's working directory may be closed to that user).
as_pg() {
    if [[ -n $pg_user ]]; then
        (cd "$dir" && runuser -u "$pg_user" -- "$@")
    else
        (cd "$dir" && "$@")
    fi
}

is_ours() { [[ -f $dir/$MARKER ]]; }

is_running() {
    is_ours && [[ -f $data/PG_VERSION ]] &&
        as_pg "$pg_bin/pg_ctl" -D "$data" status >/dev/null 2>&1
}

port_in_use() {
    # A successful connect means someone listens there already.
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

stop_cluster() {
    if [[ ! -e $dir ]]; then
        log "nothing to stop in $dir"
        return 0
    fi
    is_ours || die "$dir was not made by this script; not touching it"
    if is_running; then
        if ! as_pg "$pg_bin/pg_ctl" -D "$data" -m fast -w -t 60 stop >/dev/null; then
            log "fast shutdown failed; stopping immediately"
            as_pg "$pg_bin/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null || true
        fi
    fi
    rm -rf -- "$dir"
    log "stopped and removed $dir"
}

env_lines() {
    local port=$1 password=$2
    printf "export QUERIMO_PG_%s='Driver=PostgreSQL %s;Server=127.0.0.1;Port=%s;Database=%s;UID=%s;PWD=%s;CommLog=0;'\n" \
        ANSI ANSI "$port" "$DB_NAME" "$DB_USER" "$password" \
        UNICODE Unicode "$port" "$DB_NAME" "$DB_USER" "$password"
}

# A start that fails half-way leaves neither a server nor the folder behind.
abandon_start() {
    local status=$?
    if ((status != 0)) && is_ours; then
        if is_running; then
            as_pg "$pg_bin/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
        fi
        log "start failed; the last lines of its logs:"
        tail -n 20 "$dir/initdb.log" "$dir/postgres.log" >&2 2>/dev/null || true
        rm -rf -- "$dir"
    fi
}

start_cluster() {
    if is_running; then
        log "already running in $dir"
        cat "$dir/env.sh"
        return 0
    fi
    if [[ -e $dir ]]; then
        if is_ours; then
            log "removing the stale cluster in $dir"
            rm -rf -- "$dir"
        elif [[ -n $(ls -A -- "$dir") ]]; then
            die "$dir exists and is not empty; give an empty or new folder"
        fi
    fi
    # The socket path DIR/.s.PGSQL.NNNNN must fit into sun_path (108 bytes).
    ((${#dir} + 16 < 108)) || die "folder path too long for a unix socket: $dir"

    mkdir -p -- "$dir"
    touch -- "$dir/$MARKER"
    trap abandon_start EXIT
    chmod 755 "$dir"
    if [[ -n $pg_user ]]; then
        chown "$pg_user:" "$dir"
        runuser -u "$pg_user" -- test -w "$dir" ||
            die "user $pg_user cannot write to $dir (is a parent folder closed to it?)"
    fi

    as_pg "$pg_bin/initdb" -D "$data" -U "$SUPERUSER" --auth=trust \
        --encoding=UTF8 --locale=C >"$dir/initdb.log" 2>&1 || die "initdb failed"

    # One role must give its password, as on a real server; the window's password prompt is
    # tested with it.
    printf '%s\n' 'local all all trust' "host all ${DB_USER}_pw 127.0.0.1/32 scram-sha-256" \
        'host all all 127.0.0.1/32 trust' >"$data/pg_hba.conf"
    printf '%s\n' '' '# throw-away test cluster' \
        "listen_addresses = '127.0.0.1'" \
        "unix_socket_directories = '$dir'" \
        'fsync = off' 'synchronous_commit = off' 'full_page_writes = off' \
        "include = 'port.conf'" >>"$data/postgresql.conf"

    local port attempt started=0
    for attempt in $(seq 1 25); do
        port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
        port_in_use "$port" && continue
        echo "port = $port" >"$data/port.conf"
        if [[ -e $dir/postgres.log ]]; then : >"$dir/postgres.log"; fi
        if as_pg "$pg_bin/pg_ctl" -D "$data" -l "$dir/postgres.log" -w -t 60 start >/dev/null 2>&1; then
            started=1
            break
        fi
        # Somebody took the port between the check and the bind: try another.
        grep -q 'could not bind\|could not create any TCP/IP sockets' "$dir/postgres.log" 2>/dev/null ||
            die "postgres did not start (attempt $attempt)"
    done
    ((started)) || die "no free port found"

    local password
    password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    as_pg "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U "$SUPERUSER" -d postgres \
        -c "CREATE ROLE $DB_USER LOGIN PASSWORD '$password'" \
        -c "CREATE ROLE ${DB_USER}_pw LOGIN PASSWORD '$password'" \
        -c "CREATE DATABASE $DB_NAME OWNER $DB_USER ENCODING 'UTF8' TEMPLATE template0" >/dev/null ||
        die "could not create the $DB_NAME role and database"

    echo "$port" >"$dir/port"
    env_lines "$port" "$password" >"$dir/env.sh"
    chmod 644 "$dir/env.sh"
    trap - EXIT
    log "running on 127.0.0.1:$port (folder $dir)"
    cat "$dir/env.sh"
}

case $cmd in
start) start_cluster ;;
stop) stop_cluster ;;
status)
    if is_running; then
        log "running on 127.0.0.1:$(cat "$dir/port" 2>/dev/null || echo '?') (folder $dir)"
        exit 0
    fi
    log "not running (folder $dir)"
    exit 3
    ;;
*) usage ;;
esac
