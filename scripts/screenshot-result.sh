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

while (($#)); do
    case $1 in
    --build-dir)
        (($# >= 2)) || usage
        build_dir=$2
        shift
        ;;
    --out)
        (($# >= 2)) || usage
        out=$2
        shift
        ;;
    --record-view)
        (($# >= 2)) || usage
        record_out=$2
        shift
        ;;
    *) usage ;;
    esac
    shift
done

log() { printf 'screenshot-result: %s\n' "$*" >&2; }

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { log "missing $tool (see scripts/screenshots.sh)"; exit 1; }
done

program=$build_dir/querimo
if [[ ! -x $program ]]; then
    bash scripts/build.sh --build-dir "$build_dir"
fi

mkdir -p -- "$(dirname -- "$out")"
work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-result.XXXXXX")
pids=()
cleanup() {
    local i
    # The program goes before its X server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT

bash scripts/make-demo-db.sh "$work/demo.db" >/dev/null
connect="Driver=SQLite3;Database=$work/demo.db"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do
    [[ -s $work/display ]] && break
    sleep 0.1
done
[[ -s $work/display ]] || { log "Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME=$work/config

"$program" "$connect" demo/queries.sql &
pids+=($!)
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Querimo' | head -n 1)
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
    record=$(timeout 10 xdotool search --sync --onlyvisible --name '^Record View$' | head -n 1)
    [[ -n $record ]] || { log "the record view did not appear"; exit 1; }
    sleep 0.5
    mkdir -p -- "$(dirname -- "$record_out")"
    import -window "$record" "$record_out"
    log "wrote $record_out"
fi
