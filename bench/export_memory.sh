#!/usr/bin/env bash
# Peak memory of an unattended export of D1 rows (ten columns) at several sizes, from SQLite
# (StepAPI=1) and from the private PostgreSQL cluster (UseDeclareFetch=1). Rows stream from
# the driver to the file, so a larger export should cost only a few megabytes more.
#
#   bench/export_memory.sh [BUILD_DIR]
#
# QUERIMO_EXPORT_ROWS  the sizes, smallest first (default "100000 1000000"); each is compared
#                      with the first
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
querimo=$build/querimo
[[ -x $querimo ]] || { echo "export_memory: build Querimo first ($querimo missing)" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "export_memory: needs /usr/bin/time (package time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-bench.XXXXXX")
# The cluster runs as an unprivileged user, who must reach its folder.
chmod 755 "$work"
pg_dir=$work/pg
trap 'bash "$repo/scripts/pg-cluster.sh" stop "$pg_dir" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

peak_kib() { # connection-string sql-file output -> peak resident KiB
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/time -f '%M' -o "$work/time" \
        "$querimo" "$1" "$2" "$3" || status=$?
    if ((status != 0)); then
        echo "export_memory: export failed with status $status; log: $(cat "$3")" >&2
        exit 1
    fi
    cat "$work/time"
}

read -r -a sizes <<<"${QUERIMO_EXPORT_ROWS:-100000 1000000}"
for rows in "${sizes[@]}"; do
    [[ $rows =~ ^[1-9][0-9]*$ ]] || { echo "export_memory: bad row count '$rows'" >&2; exit 2; }
done
largest=${sizes[-1]}

report() { # label rows base-kib kib
    printf '%-28s %9d rows: %7d KiB   growth over %d rows: %+6d KiB (%.2fx)\n' \
        "$1" "$2" "$4" "${sizes[0]}" $(($4 - $3)) "$(echo "$4 / $3" | bc -l)"
}

measure_all() { # label connection-string
    local base=0 kib rows
    for rows in "${sizes[@]}"; do
        echo "select * from d1 where a <= $rows" >"$work/rows.sql"
        kib=$(peak_kib "$2" "$work/rows.sql" "$work/rows.csv")
        ((base)) || base=$kib
        report "$1" "$rows" "$base" "$kib"
    done
    rm -f "$work/rows.csv"
}

sqlite_db=$work/rows.db
sqlite3 "$sqlite_db" <<SQL
create table d1 (a integer, b integer, c bigint, d double, e varchar(8), f varchar(40), g date,
                 h timestamp, i numeric(12,2), j integer);
with recursive n(x) as (select 1 union all select x + 1 from n where x < $largest)
insert into d1 select x, x % 97, x * 4294967, x / 3.0, 'short', printf('%040d', x), '2024-01-02',
                      '2024-01-02 03:04:05', x / 100.0, case when x % 7 = 0 then null else x end
from n;
SQL
measure_all "SQLite (StepAPI=1)" "Driver=SQLite3;Database=$sqlite_db;StepAPI=1"
rm -f "$sqlite_db"

bash "$repo/scripts/pg-cluster.sh" start "$pg_dir" >/dev/null
# shellcheck source=/dev/null
source "$pg_dir/env.sh"
pg_conn="${QUERIMO_PG_ANSI}UseDeclareFetch=1;Fetch=1000;"
echo "create table d1 as select x as a, x % 97 as b, x::bigint * 4294967 as c, x / 3.0::float8 as d,
  'short'::varchar(8) as e, lpad(x::text, 40, '0')::varchar(40) as f, date '2024-01-02' as g,
  timestamp '2024-01-02 03:04:05' as h, (x / 100.0)::numeric(12,2) as i,
  case when x % 7 = 0 then null else x end as j from generate_series(1, $largest) as x" \
    > "$work/create.sql"
peak_kib "$pg_conn" "$work/create.sql" "$work/create.csv" >/dev/null
measure_all "PostgreSQL (UseDeclareFetch)" "$pg_conn"
