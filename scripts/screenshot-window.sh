#!/usr/bin/env bash
# Shows the main window on a private X server (Xvfb) as a person meets it after a run of two
# statements that stopped at the row limit, with its status bar, and then the Export dialog
# listing the CSV files of the remembered folder. Fails when an error box appears.
#
#   screenshot-window.sh [--build-dir DIR] [--out DIR]
#
# --build-dir  a build holding the querimo program (default: build; it is built there when
#              missing)
# --out        where the pictures go (default: build/screenshots): row-limit-note.png,
#              row-limit.png, export-dialog.png (and row-limit-error.png when that fails)
#
# Installs what only the pictures need (xvfb, x11-apps, imagemagick, xdotool) when missing.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

build_dir=$repo/build
out=$repo/build/screenshots

usage() {
    echo "usage: $0 [--build-dir DIR] [--out DIR]" >&2
    exit 2
}

source scripts/lib/x-session.sh
x_options "$@"

log() { printf 'screenshot-window: %s\n' "$*" >&2; }

x_install_tools

x_program

mkdir -p -- "$out"
x_session_start querimo-window

bash scripts/make-demo-db.sh "$work/demo.db" >/dev/null
printf '%s\n' 'SELECT name FROM customers;' 'SELECT 1 AS one;' >"$work/two-statements.sql"
# Files for the Export dialog to list, in the folder it starts in.
mkdir -p "$work/exports" "$work/config/Brenlow Ltd"
touch "$work/exports/"{customers.csv,orders.csv,notes.txt,report.html}
printf '[FileList]\nLastVisited=%s\n' "$work/exports" >"$work/config/Brenlow Ltd/querimo.conf"

shoot() { # window file
    sleep 0.5
    import -window "$1" "$2"
    log "wrote $2"
}

"$program" "Driver=SQLite3;Database=$work/demo.db" "$work/two-statements.sql" &
pids+=($!)
main=$(window_named '^Querimo.*two-statements')
[[ -n $main ]] || { log "the main window did not appear"; exit 1; }
xdotool windowsize --sync "$main" 900 600
xdotool windowfocus --sync "$main"
sleep 0.3

# Max Rows 5: the field sits at 43,26 dialog units, 1.5 and 1.625 pixels each.
xdotool mousemove --window "$main" 80 53 click --repeat 3 1
xdotool key ctrl+a type 5
xdotool key F5

note=$(window_named '^Querimo$' 10)
[[ -n $note ]] || { log "no row-limit note appeared"; exit 1; }
shoot "$note" "$out/row-limit-note.png"
xdotool windowfocus --sync "$note" key Return

# The later statement runs after the note; nothing may fail. An error box is pictured and
# closed, the other pictures are still taken, and the script fails at its end.
failed=0
error=$(window_named '^ODBC Error$' 3 || true)
if [[ -n $error ]]; then
    shoot "$error" "$out/row-limit-error.png"
    xdotool windowfocus --sync "$error" key Return
    failed=1
fi
shoot "$main" "$out/row-limit.png"

xdotool windowfocus --sync "$main" key alt+p
export_dialog=$(window_named '^Export$' 10)
[[ -n $export_dialog ]] || { log "the Export dialog did not appear"; exit 1; }
xdotool windowsize --sync "$export_dialog" 700 420
shoot "$export_dialog" "$out/export-dialog.png"
xdotool key Escape
if ((failed)); then
    log "an error box appeared after the row limit: $out/row-limit-error.png"
    exit 1
fi
