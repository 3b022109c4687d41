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
# Installs what only the screenshots need (xvfb, imagemagick, xdotool) when
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
    *) usage ;;
    esac
    shift
done

log() { printf 'screenshots: %s\n' "$*" >&2; }

as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        log "need root (or sudo) to run: $*"
        return 1
    fi
}

missing=()
command -v Xvfb >/dev/null 2>&1 || missing+=(xvfb)
command -v import >/dev/null 2>&1 || missing+=(imagemagick)
command -v xdotool >/dev/null 2>&1 || missing+=(xdotool)
if ((${#missing[@]})); then
    log "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" </dev/null
fi

program=$build_dir/querimo
if [[ ! -x $program ]]; then
    bash scripts/build.sh --build-dir "$build_dir"
fi

mkdir -p -- "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-shots.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT

bash scripts/make-demo-db.sh "$work/demo.db"
connect="Driver=SQLite3;Database=$work/demo.db"

# A display of our own; Xvfb names the free display number it took.
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
# The settings of these runs stay in the work folder.
export XDG_CONFIG_HOME=$work/config

# Waits for a visible window whose title matches, and prints its id.
window_named() {
    timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1
}

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
