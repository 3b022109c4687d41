#!/usr/bin/env bash
# Takes screenshots of Querimo for people to look at, on a private X server
# (Xvfb): the splash at start-up, the main window with the demo script, and
# the about box.
#
#   screenshots.sh [--build-dir DIR] [--out DIR]
#
# --build-dir  a build holding the querimo program (default: build; it is
#              built there when missing)
# --out        where the pictures go (default: build/screenshots)
#
# Installs what only the screenshots need (xvfb, x11 tools, imagemagick, xdotool) when
# missing; the tests never need any of it.
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

log() { printf 'screenshots: %s\n' "$*" >&2; }

x_install_tools

x_program

mkdir -p -- "$out"
x_session_start querimo-shots
bash scripts/make-demo-db.sh "$work/demo.db"
connect="Driver=SQLite3;Database=$work/demo.db"

# The splash stands during the start-up wait of a run without arguments.
"$program" &
pids+=($!)
sleep 0.8
import -window root "$out/splash.png"
window_named '^Querimo$' >/dev/null
kill "${pids[-1]}"

"$program" "$connect" demo/queries.sql &
pids+=($!)
main=$(window_named '^Querimo')
sleep 0.5
import -window "$main" "$out/main-window.png"

xdotool windowfocus --sync "$main"
xdotool key F1
about=$(window_named '^About Querimo$')
sleep 0.3
import -window "$about" "$out/about-box.png"
kill "${pids[-1]}"

log "wrote $out/splash.png, $out/main-window.png, $out/about-box.png"
