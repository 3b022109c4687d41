# Sourced by the picture scripts: a private X server (Xvfb) for Querimo's windows, the tools
# that find and picture them, and a work folder removed at the end. The caller defines log.

# Reads --build-dir DIR into build_dir and --out PATH into out, whose defaults the caller sets,
# and --record-view FILE into record_out when the caller has that variable; anything else ends
# in the caller's usage.
x_options() {
    while (($#)); do
        (($# >= 2)) || usage
        case $1 in
        --build-dir) build_dir=$2 ;;
        --out) out=$2 ;;
        --record-view) [[ -v record_out ]] && record_out=$2 || usage ;;
        *) usage ;;
        esac
        shift 2
    done
}

# Sets program to the build's querimo, building it first when it is missing.
x_program() {
    program=$build_dir/querimo
    [[ -x $program ]] || bash scripts/build.sh --build-dir "$build_dir" --target querimo
}

# Installs the X tools the pictures need when any is missing (root or sudo).
x_install_tools() {
    local missing=() sudo=()
    command -v Xvfb >/dev/null 2>&1 || missing+=(xvfb)
    command -v xwininfo >/dev/null 2>&1 || missing+=(x11-utils)
    command -v xwd >/dev/null 2>&1 || missing+=(x11-apps)
    command -v import >/dev/null 2>&1 || missing+=(imagemagick)
    command -v xdotool >/dev/null 2>&1 || missing+=(xdotool)
    ((${#missing[@]})) || return 0
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    log "installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" </dev/null
}

# Makes the work folder ($work), starts Xvfb and points DISPLAY at it; settings of the runs
# stay in the work folder. Programs started later go into pids and end before the X server.
x_session_start() { # work-folder-prefix
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    pids=()
    trap x_session_end EXIT
    # Xvfb names the free display number it took.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 50); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || { log "Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
    export DISPLAY=:$(head -n 1 "$work/display")
    export QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME
    export XDG_CONFIG_HOME=$work/config
}

x_session_end() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf -- "$work"
}

# The id of the first visible window whose title matches, waiting up to seconds (default 20).
window_named() { # pattern [seconds]
    local deadline=$((SECONDS + ${2:-20})) id
    while ((SECONDS < deadline)); do
        # A search fails outright when a window it walks goes away, as a closing program's do.
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
