#!/usr/bin/env bash
# Peak memory of an unattended export: 100,000 rows against 1,000,000 rows, from SQLite
# (StepAPI=1) and from the private PostgreSQL cluster (UseDeclareFetch=1). Rows stream from
# the driver to the file, so the larger export should cost only a few megabytes more.
#
#   bench/export_memory.sh [BUILD_DIR]
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

report() { # label small-kib large-kib
    printf '%-28s 100k rows: %6d KiB   1M rows: %6d KiB   growth: %+6d KiB (%.2fx)\n' \
        "$1" "$2" "$3" $(($3 - $2)) "$(echo "$3 / $2" | bc -l)"
}

sqlite_db=$work/rows.db
sqlite3 "$sqlite_db" <<'SQL'
create table d1 (a integer, b integer, c bigint, d double, e varchar(8), f varchar(40), g date,
                 h timestamp, i numeric(12,2), j integer);
with recursive n(x) as (select 1 union all select x + 1 from n where x < 1000000)
insert into d1 select x, x % 97, x * 4294967, x / 3.0, 'short', printf('%040d', x), '2024-01-02',
                      '2024-01-02 03:04:05', x / 100.0, case when x % 7 = 0 then null else x end
from n;
SQL
echo "select * from d1 where a <= 100000" > "$work/small.sql"
echo "select * from d1" > "$work/large.sql"
sqlite_conn="Driver=SQLite3;Database=$sqlite_db;StepAPI=1"
small=$(peak_kib "$sqlite_conn" "$work/small.sql" "$work/small.csv")
large=$(peak_kib "$sqlite_conn" "$work/large.sql" "$work/large.csv")
report "SQLite (StepAPI=1)" "$small" "$large"

bash "$repo/scripts/pg-cluster.sh" start "$pg_dir" >/dev/null
# shellcheck source=/dev/null
source "$pg_dir/env.sh"
pg_conn="${QUERIMO_PG_ANSI}UseDeclareFetch=1;Fetch=1000;"
echo "create table d1 as select x as a, x % 97 as b, x::bigint * 4294967 as c, x / 3.0::float8 as d,
  'short'::varchar(8) as e, lpad(x::text, 40, '0')::varchar(40) as f, date '2024-01-02' as g,
  timestamp '2024-01-02 03:04:05' as h, (x / 100.0)::numeric(12,2) as i,
  case when x % 7 = 0 then null else x end as j from generate_series(1, 1000000) as x" \
    > "$work/create.sql"
peak_kib "$pg_conn" "$work/create.sql" "$work/create.csv" >/dev/null
small=$(peak_kib "$pg_conn" "$work/small.sql" "$work/small.csv")
large=$(peak_kib "$pg_conn" "$work/large.sql" "$work/large.csv")
report "PostgreSQL (UseDeclareFetch)" "$small" "$large"
