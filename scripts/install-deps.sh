#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Querimo
# need, and makes sure the ODBC drivers the tests name are registered.
# Installs only what is missing, so a second run changes nothing.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config git
    unixodbc unixodbc-dev odbcinst
    qt6-base-dev qt6-qpa-plugins libqt6test6
    # the offscreen platform still needs one font to lay out widgets
    fonts-dejavu-core
    # the demo data's Japanese country name, on a machine with no CJK font of its own
    fonts-wqy-microhei
    libsqliteodbc sqlite3
    postgresql odbc-postgresql
    libgtest-dev libgmock-dev
    clang-format
    # what scripts/package-check.sh checks the Debian package with
    desktop-file-utils lintian appstream bash-completion
    # renders exported HTML pages in the tests
    chromium
    # libFuzzer and its runtime for the fuzz targets (tests/fuzz)
    clang libclang-rt-14-dev
)

log() { printf 'install-deps: %s\n' "$*" >&2; }

SUDO=()
if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO=(sudo)
    fi
fi

as_root() {
    if [[ $(id -u) -ne 0 && ${#SUDO[@]} -eq 0 ]]; then
        log "need root (or sudo) to run: $*"
        return 1
    fi
    "${SUDO[@]}" "$@"
}

is_installed() {
    [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]
}

missing=()
for pkg in "${PACKAGES[@]}"; do
    is_installed "$pkg" || missing+=("$pkg")
done

if ((${#missing[@]})); then
    log "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" </dev/null
else
    log "all ${#PACKAGES[@]} packages present"
fi

# The driver packages register themselves in /etc/odbcinst.ini; a system where
# that was skipped (or the file was edited) gets the entries back here.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
odbc_dir="/usr/lib/$multiarch/odbc"

driver_registered() {
    odbcinst -q -d -n "$1" >/dev/null 2>&1
}

register_driver() {
    local name=$1 lib=$2 description=$3 tmp
    if driver_registered "$name"; then
        return 0
    fi
    if [[ ! -e $odbc_dir/$lib ]]; then
        log "cannot register ODBC driver '$name': $odbc_dir/$lib is missing"
        return 1
    fi
    tmp=$(mktemp)
    printf '[%s]\nDescription=%s\nDriver=%s\n' \
        "$name" "$description" "$odbc_dir/$lib" >"$tmp"
    chmod 644 "$tmp"
    log "registering ODBC driver '$name'"
    if ! as_root odbcinst -i -d -f "$tmp" >/dev/null; then
        rm -f "$tmp"
        log "odbcinst could not register '$name'"
        return 1
    fi
    rm -f "$tmp"
    driver_registered "$name"
}

status=0
register_driver "SQLite3" libsqlite3odbc.so "SQLite3 ODBC Driver" || status=1
register_driver "PostgreSQL ANSI" psqlodbca.so "PostgreSQL ODBC driver (ANSI version)" || status=1
register_driver "PostgreSQL Unicode" psqlodbcw.so "PostgreSQL ODBC driver (Unicode version)" || status=1
exit "$status"
