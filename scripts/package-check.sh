#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it on this machine and tries the
# installed program as a user would: its version, and an unattended export of the demo database.
#
#   package-check.sh [BUILD_DIR]
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
sudo=()
((EUID == 0)) || sudo=(sudo)

if ! dpkg-query -W -f='${Status}' desktop-file-utils 2>/dev/null | grep -q 'ok installed'; then
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        desktop-file-utils >/dev/null
fi
desktop-file-validate "$repo/res/querimo.desktop"

rm -f "$build"/querimo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/querimo_*.deb)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package" >/dev/null

version=$(/usr/bin/querimo --version)
[[ $version == "Querimo 4.0" ]] || { echo "package-check: --version said '$version'" >&2; exit 1; }

# What a desktop and `man querimo` look for.
for installed in /usr/share/man/man1/querimo.1.gz /usr/share/applications/querimo.desktop \
    /usr/share/icons/hicolor/48x48/apps/querimo.png; do
    [[ -s $installed ]] || { echo "package-check: the package did not install $installed" >&2; exit 1; }
done
zcat /usr/share/man/man1/querimo.1.gz | grep -q '^\.SH EXIT STATUS' ||
    { echo "package-check: the installed manual page has no EXIT STATUS section" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$repo/scripts/make-demo-db.sh" "$work/demo.db" >/dev/null
status=0
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/querimo "Driver=SQLite3;Database=$work/demo.db" \
    "$repo/demo/batch-query.sql" "$work/export.csv" || status=$?
if ((status != 0)); then
    echo "package-check: the installed program's export ended with $status: $(cat "$work/export.csv")" >&2
    exit 1
fi
lines=$(wc -l <"$work/export.csv")
echo "package-check: installed $(basename "$package"); $version; demo export wrote $lines lines"
