#!/usr/bin/env bash
# Sets everything up and runs Querimo on its demo database.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the window opens, connected
# to the demo database, with demo/queries.sql in the editor. Without one, a
# batch run exports demo/batch-query.sql to build/demo/demo-export.csv.
# Exits with Querimo's own exit status.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh
# The program alone: the tests are scripts/test.sh's business.
bash scripts/build.sh --target querimo
bash scripts/make-demo-db.sh build/demo/querimo-demo.db

program=build/querimo
connect="Driver=SQLite3;Database=$repo/build/demo/querimo-demo.db"

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    echo "demo: $program \"$connect\" demo/queries.sql"
    exec "$program" "$connect" demo/queries.sql
fi

out=build/demo/demo-export.csv
# The log path of a batch run: the output file itself, or the program's path
# with ".log" when the output folder is missing.
log=$out
[[ -d $(dirname -- "$out") ]] || log=$program.log

echo "demo: no display, so a batch export of demo/batch-query.sql:"
echo "demo: $program \"$connect\" demo/batch-query.sql $out"
# A stale export from an earlier run must not pass for this run's result.
rm -f -- "$out"
status=0
"$program" "$connect" demo/batch-query.sql "$out" </dev/null || status=$?

if ((status == 0)); then
    rows=$(($(wc -l <"$out") - 1))
    echo "demo: exported $rows rows to $repo/$out"
    head -n 4 -- "$out"
    exit 0
fi

case $status in
255) what="the connection or the export failed (-1)" ;;
254) what="the SQL file could not be read (-2)" ;;
*) what="unexpected exit status" ;;
esac
echo "demo: querimo exited with status $status: $what" >&2
if [[ -s $log ]]; then
    echo "demo: its log, $repo/$log, says:" >&2
    sed 's/^/  /' -- "$log" >&2
else
    echo "demo: no log was written to $repo/$log" >&2
fi
exit "$status"
