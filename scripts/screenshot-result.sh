#!/usr/bin/env bash
# Takes a screenshot of the main window with a query result in the grid, on a private X server
# (Xvfb): the demo database, the demo script in the editor, Execute pressed.
#
#   screenshot-result.sh [--build-dir DIR] [--out FILE] [--record-view FILE]
#
# --build-dir  a build holding the querimo program (default: build; it is built there when
#              missing)
# --out        the picture (default: build/screenshots/result-grid.png)
# --record-view  also open the second grid line in the record view and picture it
#
# Needs Xvfb, xdotool and ImageMagick's import (scripts/screenshots.sh installs them).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

build_dir=$repo/build
out=$repo/build/screenshots/result-grid.png
record_out=

usage() {
    echo "usage: $0 [--build-dir DIR] [--out FILE] [--record-view FILE]" >&2
    exit 2
}

source scripts/lib/x-session.sh
x_options "$@"

log() { printf 'screenshot-result: %s\n' "$*" >&2; }

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { log "missing $tool (see scripts/screenshots.sh)"; exit 1; }
done

x_program

mkdir -p -- "$(dirname -- "$out")"
x_session_start querimo-result
bash scripts/make-demo-db.sh "$work/demo.db" >/dev/null
connect="Driver=SQLite3;Database=$work/demo.db"

"$program" "$connect" demo/queries.sql &
pids+=($!)
main=$(window_named '^Querimo')
[[ -n $main ]] || { log "the main window did not appear"; exit 1; }
# A larger window than the template's, as a person would make it for a result.
xdotool windowsize --sync "$main" 1000 620
xdotool windowfocus --sync "$main"
sleep 0.3
xdotool key --window "$main" alt+e
sleep 1
import -window "$main" "$out"
log "wrote $out"

if [[ -n $record_out ]]; then
    # A double-click on the second grid line opens that row in the record view.
    xdotool mousemove --window "$main" 200 233 click --repeat 2 --delay 80 1
    record=$(window_named '^Record View$' 10)
    [[ -n $record ]] || { log "the record view did not appear"; exit 1; }
    sleep 0.5
    mkdir -p -- "$(dirname -- "$record_out")"
    import -window "$record" "$record_out"
    log "wrote $record_out"
fi
