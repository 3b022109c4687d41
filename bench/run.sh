#!/usr/bin/env bash
# The benchmark suite: Querimo's batch export and result grid against two ODBC floors (every
# column bound as text, and every column bound as Querimo binds it) and the tools people would
# use instead, all measured in the same run. Writes bench/RESULTS.md.
#
#   bench/run.sh [--rounds N] [--full] [--quick] [--parts LIST]
#
# --rounds N    runs of each timed command, alternating the commands (default 3; medians reported)
# --full        also counts instructions with the drivers' default settings (ten more minutes)
# --quick       one round of the parts wall, grid and startup: a check of the suite itself,
#               written to bench/work/RESULTS-quick.md instead
# --parts LIST  only these parts, comma-separated (default all):
#                 wall       exports of D1, D3 and D4 timed, with peak memory
#                 d2         10,000,000 rows against 100,000 (the memory goal)
#                 callgrind  instructions per row of the exports and the floors
#                 grid       999,999 rows shown in the grid, timed against both floors
#                 startup    start-up to the window shown
#                 split      where the grid's instructions go, at 100,000 rows (callgrind)
#                 peers      isql, sqlite3 and psql next to Querimo in the parts wall and callgrind
# The data sets are kept in bench/work/ (QUERIMO_BENCH_WORK) between runs; the PostgreSQL
# cluster is made afresh and removed at the end.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=3
quick=0
full=0
all_parts=wall,d2,callgrind,grid,startup,split,peers
parts=$all_parts
usage() { echo "usage: $0 [--rounds N] [--full] [--quick] [--parts LIST]" >&2; exit 2; }
while (($#)); do
    case $1 in
    --rounds) (($# >= 2)) || usage; rounds=$2; shift ;;
    --full) full=1 ;;
    --quick) quick=1; rounds=1; parts=wall,grid,startup,peers ;;
    --parts) (($# >= 2)) || usage; parts=$2; shift ;;
    *) usage ;;
    esac
    shift
done
for part in ${parts//,/ }; do
    [[ ,$all_parts, == *,$part,* ]] || { echo "run.sh: unknown part: $part" >&2; usage; }
done
part() { [[ ,$parts, == *,$1,* ]]; }
# D4 reads D2's table too.
with_d2=0
if part wall || part d2; then with_d2=1; fi

source "$repo/bench/lib/setup.sh"
source "$repo/bench/lib/datasets.sh"
source "$repo/bench/lib/measure.sh"

# Batch runs need no display, and a display must not change what is measured.
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen
suite_start=$SECONDS
load_start=$(cut -d ' ' -f 1-3 /proc/loadavg)

bench_install_tools
BUILD=$repo/build-bench
bash "$repo/scripts/build.sh" --build-dir "$BUILD" -- -DQUERIMO_BUILD_TESTS=OFF -DQUERIMO_BUILD_BENCH=ON >&2

WORK=${QUERIMO_BENCH_WORK:-$repo/bench/work}
mkdir -p "$WORK/data" "$WORK/out"
# The cluster runs as an unprivileged user, who must reach its folder.
chmod 755 "$WORK"
RESULTS=$WORK/results.txt
: >"$RESULTS"
PSQL=$(ls -d /usr/lib/postgresql/*/bin/psql | sort -V | tail -n 1)
trap 'bash "$repo/scripts/pg-cluster.sh" stop "$WORK/pg" >/dev/null 2>&1 || true' EXIT
bash "$repo/scripts/pg-cluster.sh" start "$WORK/pg" >/dev/null
PG_PORT=$(cat "$WORK/pg/port")
pg_password=$(sed -n "s/.*QUERIMO_PG_ANSI='.*;PWD=\([^;]*\);.*/\1/p" "$WORK/pg/env.sh")
bench_write_odbc_ini "$WORK/odbc" "$WORK/data/bench.db" "$PG_PORT" "$pg_password"
bench_make_sqlite "$WORK/data/bench.db" "$with_d2"
bench_make_pg "$with_d2" "$PSQL" -X -q -h 127.0.0.1 -p "$PG_PORT" -U querimo -d querimo >/dev/null
Q=$WORK/sql
bench_write_queries "$Q"

odbc_tools=(querimo_csv querimo_html raw_probe typed_probe)
peers_sqlite=()
peers_pg=()
if part peers; then
    odbc_tools+=(isql)
    peers_sqlite=(sqlite3)
    peers_pg=(psql_csv psql_copy)
fi

# Every command of a group once per round, the commands alternating. Each round starts with
# another of them: the first after another data source's runs finds the memory they freed to be
# made anew, and no tool should always be the one that pays for it.
time_group() { # group sql-file settings dbs
    local group=$1 sql=$2 settings=$3 dbs=$4 round db setting tool peers i n=${#odbc_tools[@]}
    for round in $(seq 1 "$rounds"); do
        for db in $dbs; do
            for setting in $settings; do
                for ((i = 0; i < n; i++)); do
                    tool=${odbc_tools[(i + round - 1) % n]}
                    bench_time "$group" "$tool" "$db" "$setting" "$sql" "$round"
                done
            done
            peers=peers_$db[@]
            for tool in "${!peers}"; do
                # \copy takes one query, not a script.
                [[ $tool == psql_copy && $(wc -l <"$sql") -gt 1 ]] && continue
                bench_time "$group" "$tool" "$db" none "$sql" "$round"
            done
        done
    done
}

if part wall; then
    bench_log "D1: 1,000,000 rows, both settings"
    time_group d1 "$Q/d1.sql" "default stream" "sqlite pg"
    bench_log "D3: 100,000 rows of two 2 KB texts"
    time_group d3 "$Q/d3.sql" "stream" "sqlite pg"
    bench_log "D4: three statements, several result sets (PostgreSQL)"
    time_group d4 "$Q/d4.sql" "stream" "pg"
fi

if part d2; then
    bench_log "D2: 10,000,000 rows against 100,000 rows"
    for db in sqlite pg; do
        bench_time d2_100k querimo_csv "$db" stream "$Q/d2_100k.sql" 1
        bench_time d2_100k querimo_html "$db" stream "$Q/d2_100k.sql" 1
    done
    # Ten million rows take long: once, and only what the memory goal and the floor need.
    for db in sqlite pg; do
        bench_time d2 querimo_csv "$db" stream "$Q/d2.sql" 1
        bench_time d2 raw_probe "$db" stream "$Q/d2.sql" 1
        bench_time d2 typed_probe "$db" stream "$Q/d2.sql" 1
    done
fi

if part callgrind; then
    bench_log "instructions under callgrind at 100,000 rows of D1 (and at one row, the fixed cost)"
    for db in sqlite pg; do
        for setting in stream $( ((full)) && echo default); do
            for tool in "${odbc_tools[@]}"; do
                bench_instructions "$tool" "$db" "$setting" "$Q/d1_100k.sql"
                bench_instructions "$tool" "$db" "$setting" "$Q/d1_1.sql"
            done
        done
        peers=peers_$db[@]
        for tool in "${!peers}"; do
            bench_instructions "$tool" "$db" none "$Q/d1_100k.sql"
            bench_instructions "$tool" "$db" none "$Q/d1_1.sql"
        done
    done
fi

if part grid; then
    bench_log "grid: 999,999 rows of D1 with Max Rows 0"
    for round in $(seq 1 "$rounds"); do
        for db in sqlite pg; do
            "$BUILD/bench/querimo_grid_probe" grid "DSN=${db}_stream" "$Q/d1_grid.sql" 2>/dev/null |
                sed "s/^/grid $db $round /" >>"$RESULTS"
            bench_time grid raw_probe "$db" stream "$Q/d1_grid.sql" "$round"
            bench_time grid typed_probe "$db" stream "$Q/d1_grid.sql" "$round"
        done
    done
fi

if part startup; then
    bench_log "start-up to the window shown"
    for round in $(seq 1 $((rounds * 5))); do
        QUERIMO_BENCH_T0=${EPOCHREALTIME/./} "$BUILD/bench/querimo_grid_probe" startup 2>/dev/null |
            sed "s/^/startup $round /" >>"$RESULTS"
    done
fi

if part split; then
    bench_log "where the grid's instructions go, at 100,000 rows of D1"
    for db in sqlite pg; do
        bash "$repo/bench/grid_split.sh" --build-dir "$BUILD" --records "$db" "DSN=${db}_stream" \
            "$Q/d1_100k.sql" >>"$RESULTS" || bench_log "the grid split failed on ${db}_stream"
    done
fi

report=$repo/bench/RESULTS.md
((quick)) && report=$WORK/RESULTS-quick.md
{
    echo "machine $(uname -srm)"
    echo "cpu $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1) ($(nproc) cores)"
    echo "cores $(nproc)"
    echo "memory $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
    echo "date $(date -u '+%Y-%m-%d %H:%M UTC')"
    # The report of an earlier run is no change of what was measured.
    echo "commit $(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo unknown)$(git -C "$repo" diff --quiet HEAD -- . ':!bench/RESULTS.md' 2>/dev/null || echo ' with local changes')"
    echo "version unixODBC $(odbcinst --version | awk '{ print $2 }')"
    for pkg in libsqliteodbc odbc-postgresql sqlite3 unixodbc valgrind; do
        echo "version $pkg $(dpkg-query -W -f='${Version}' "$pkg")"
    done
    echo "version psql $("$PSQL" --version | awk '{ print $3 }')"
    echo "version qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo '?')"
    echo "version g++ $(g++ -dumpfullversion)"
    echo "rounds $rounds"
    echo "parts ${parts//,/ }"
    echo "suite_seconds $((SECONDS - suite_start))"
    echo "load $load_start at the start, $(cut -d ' ' -f 1-3 /proc/loadavg) at the end"
} >>"$RESULTS"
awk -f "$repo/bench/lib/report.awk" "$RESULTS" >"$report"
bench_log "wrote $report ($((SECONDS - suite_start)) s)"
