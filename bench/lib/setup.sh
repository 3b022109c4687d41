# Sourced by bench/run.sh: the tools the benchmarks need, private ODBC data sources and the
# PostgreSQL cluster.

bench_log() { printf 'bench: %s\n' "$*" >&2; }

# Installs only what is missing, as scripts/install-deps.sh does for the build.
bench_install_tools() {
    local missing=() pkg
    for pkg in valgrind time sqlite3 unixodbc libsqliteodbc postgresql odbc-postgresql; do
        [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true) == "install ok installed" ]] ||
            missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0
    bench_log "installing: ${missing[*]}"
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}" </dev/null
}

# The ODBC driver libraries, wherever this system's multiarch folder is.
bench_driver_path() {
    local lib=$1 dir
    dir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)/odbc
    [[ -e $dir/$lib ]] || { bench_log "ODBC driver $dir/$lib is missing"; return 1; }
    echo "$dir/$lib"
}

# Private driver and data source files: nothing of the user's or the system's ODBC set-up takes
# part, and every driver runs without logging. Each driver has a data source in its default
# setting and one in the setting that streams rows instead of holding the whole result.
bench_write_odbc_ini() { # folder sqlite-file pg-port pg-password
    local dir=$1 db=$2 port=$3 password=$4 sqlite_lib pg_lib
    sqlite_lib=$(bench_driver_path libsqlite3odbc.so)
    pg_lib=$(bench_driver_path psqlodbca.so)
    mkdir -p "$dir"
    cat >"$dir/odbcinst.ini" <<INI
[ODBC]
Trace=No

[SQLite3]
Driver=$sqlite_lib

[PostgreSQL ANSI]
Driver=$pg_lib
Debug=0
CommLog=0
INI
    cat >"$dir/odbc.ini" <<INI
[sqlite_default]
Driver=SQLite3
Database=$db

[sqlite_stream]
Driver=SQLite3
Database=$db
StepAPI=1

[pg_default]
Driver=PostgreSQL ANSI
Servername=127.0.0.1
Port=$port
Database=querimo
Username=querimo
Password=$password
CommLog=0
Debug=0

[pg_stream]
Driver=PostgreSQL ANSI
Servername=127.0.0.1
Port=$port
Database=querimo
Username=querimo
Password=$password
CommLog=0
Debug=0
UseDeclareFetch=1
Fetch=10000
INI
    export ODBCSYSINI=$dir ODBCINI=$dir/odbc.ini
}
