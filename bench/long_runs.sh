#!/usr/bin/env bash
# The long runs, too slow for the test suite; run by hand, they print their figures and fail
# when a check does not hold.
#
#   bench/long_runs.sh [BUILD_DIR]
#
# 1. 1,000 Execute runs of a 1,000-row query in one window (resident size after run 50 and
#    after the last), and a grid of 999,999 lines shown and scrolled to its last line.
# 2. Peak memory of exports of 100,000, 1,000,000 and 10,000,000 rows with the streaming driver
#    settings (bench/export_memory.sh).
# 3. A private PostgreSQL cluster stopped while a batch export fetches from it, and a batch run
#    against it once it is gone.
#
# QUERIMO_LONG_RUNS sets the number of Execute runs (at least 100); QUERIMO_EXPORT_ROWS the
# export sizes of step 2 (say "1000 100000" for a quick run).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
bash "$repo/scripts/build.sh" --build-dir "$build" >/dev/null

step() { printf '\n== %s\n' "$*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-long.XXXXXX")
chmod 755 "$work"
pg_dir=$work/pg
trap 'bash "$repo/scripts/pg-cluster.sh" stop "$pg_dir" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

step "Execute runs and the million-line grid"
numbered() { # rows -> SQL of numbered rows in four columns
    echo "with recursive c(n) as (select 1 union all select n + 1 from c where n < $1)" \
        "select n, n * 2 as twice, printf('%040d', n) as padded, n / 3.0 as third from c"
}
numbered 1000 >"$work/runs.sql"
numbered 999999 >"$work/grid.sql"
probe=$build/bench/querimo_grid_probe
sqlite="Driver=SQLite3;Database=$work/long.db;"
QT_QPA_PLATFORM=offscreen "$probe" runs "$sqlite" "$work/runs.sql" "${QUERIMO_LONG_RUNS:-1000}" | tee "$work/runs.txt"
growth=$(awk '/rss_after_50_kib/ {a = $2} /rss_after_last_kib/ {b = $2} END {print b - a}' "$work/runs.txt")
# A leak of one row a run would cost about 20 KiB a run, many megabytes in all.
((growth < 4096)) || { echo "long_runs: the process grew by $growth KiB over the runs" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$probe" grid "$sqlite" "$work/grid.sql" | tee "$work/grid.txt"
grep -qx 'rows 999999' "$work/grid.txt" && grep -qx 'last_row_visible 1' "$work/grid.txt" ||
    { echo "long_runs: the grid did not show its 999,999th line" >&2; exit 1; }

step "Export memory with the streaming driver settings"
QUERIMO_EXPORT_ROWS=${QUERIMO_EXPORT_ROWS:-100000 1000000 10000000} \
    bash "$repo/bench/export_memory.sh" "$build"

step "PostgreSQL stopped during a batch export"
bash "$repo/scripts/pg-cluster.sh" start "$pg_dir" >/dev/null
# shellcheck source=/dev/null
source "$pg_dir/env.sh"
connection="${QUERIMO_PG_ANSI}UseDeclareFetch=1;Fetch=1000;"
echo "select g as n, repeat('x', 40) as t from generate_series(1, 20000000) as g" >"$work/many.sql"
output=$work/many.csv
env -u DISPLAY -u WAYLAND_DISPLAY "$build/querimo" "$connection" "$work/many.sql" "$output" &
querimo=$!
while kill -0 "$querimo" 2>/dev/null && (($(stat -c %s "$output" 2>/dev/null || echo 0) < 1000000)); do
    sleep 0.1
done
written=$(stat -c %s "$output")
bash "$repo/scripts/pg-cluster.sh" stop "$pg_dir" >/dev/null 2>&1
status=0
wait "$querimo" || status=$?
echo "stopped after $written bytes of CSV; exit status $status (255 expected); the log says:"
cat "$output"
((status == 255)) || { echo "long_runs: the stopped server was not reported as a failure" >&2; exit 1; }

step "A batch run against the stopped server"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$build/querimo" "$connection" "$work/many.sql" "$output" || status=$?
echo "exit status $status (255 expected); the log says:"
cat "$output"
((status == 255)) || { echo "long_runs: a refused connection was not reported as a failure" >&2; exit 1; }
