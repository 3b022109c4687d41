#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a distribution would (lintian,
# AppStream), then installs it on this machine and tries the installed program as a user would:
# its version, an unattended export of the demo database and the shell completion.
#
#   package-check.sh [BUILD_DIR]
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
sudo=()
((EUID == 0)) || sudo=(sudo)

fail() {
    echo "package-check: $*" >&2
    exit 1
}

# scripts/install-deps.sh installs these; a run on a machine set up before they were needed
# fetches them here.
tools=(desktop-file-utils lintian appstream bash-completion)
missing=()
for tool in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'ok installed' || missing+=("$tool")
done
if ((${#missing[@]})); then
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
desktop-file-validate "$repo/res/querimo.desktop"

work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

rm -f "$build"/querimo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/querimo_*.deb)
dpkg-deb -x "$package" "$work/root"

# What a desktop, a software centre, `man querimo`, bash and apt look for.
metainfo=usr/share/metainfo/test.brenlow.querimo.metainfo.xml
for shipped in usr/share/man/man1/querimo.1.gz usr/share/applications/querimo.desktop \
    usr/share/icons/hicolor/48x48/apps/querimo.png "$metainfo" \
    usr/share/bash-completion/completions/querimo usr/share/doc/querimo/changelog.gz; do
    [[ -s $work/root/$shipped ]] || fail "the package has no /$shipped"
done
zcat "$work/root/usr/share/man/man1/querimo.1.gz" | grep -q '^\.SH EXIT STATUS' ||
    fail "the manual page has no EXIT STATUS section"

# One release number in the package, its changelog and its AppStream metadata.
package_version=$(dpkg-deb -f "$package" Version)
changelog_version=$(zcat "$work/root/usr/share/doc/querimo/changelog.gz" |
    sed -n '1s/^querimo (\([^)]*\)).*/\1/p')
release_version=$(grep -o -m 1 '<release version="[^"]*"' "$work/root/$metainfo" | cut -d '"' -f 2)
[[ $changelog_version == "$package_version" && $release_version == "$package_version" ]] ||
    fail "versions differ: package $package_version, changelog '$changelog_version'," \
        "AppStream release '$release_version'"

# Lintian's complaint about running as root is no finding about the package.
lintian_status=0
lintian_report=$(lintian --fail-on error,warning "$package" 2>&1) || lintian_status=$?
lintian_report=$(grep -v '^running with root privileges' <<<"$lintian_report" || true)
((lintian_status == 0)) || fail "lintian (status $lintian_status):"$'\n'"$lintian_report"

appstream_report=$(appstreamcli validate --no-net "$work/root/$metainfo" 2>&1 &&
    appstreamcli validate-tree --no-net "$work/root/usr" 2>&1) ||
    fail "appstreamcli:"$'\n'"$appstream_report"

# Recommended packages are only looked up, not fetched, to keep the check quick.
for recommended in $(dpkg-deb -f "$package" Recommends | tr ',' ' '); do
    apt-cache show "$recommended" >/dev/null 2>&1 ||
        fail "the package recommends $recommended, which apt does not know (apt-get update?)"
done

# Without --reinstall apt keeps an installed package of the same version, however it was built.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    --reinstall "$package" >/dev/null

version=$(/usr/bin/querimo --version)
[[ $version == "Querimo 4.0" ]] || fail "--version said '$version'"

bash "$repo/scripts/make-demo-db.sh" "$work/demo.db" >/dev/null
status=0
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/querimo "Driver=SQLite3;Database=$work/demo.db" \
    "$repo/demo/batch-query.sql" "$work/export.csv" || status=$?
((status == 0)) ||
    fail "the installed program's export ended with $status: $(cat "$work/export.csv")"
lines=$(wc -l <"$work/export.csv")

# The completion as bash-completion loads it on the first Tab, with data sources of our own:
# one user and one system source, the second with a name that needs quoting.
mkdir "$work/odbc" "$work/files"
printf '[querimo-check]\nDriver=SQLite3\nDatabase=%s\n' "$work/demo.db" >"$work/odbc/user.ini"
printf '[Querimo Check Two]\nDriver=SQLite3\nDatabase=%s\n' "$work/demo.db" >"$work/odbc/odbc.ini"
touch "$work/files/query.sql" "$work/files/report.csv"
# shellcheck disable=SC2016 # expanded by the inner bash
completion_run='
source /usr/share/bash-completion/bash_completion
_completion_loader querimo
complete -p querimo
# Splits the line as readline does (blanks, and "=" as a word of its own), then asks _querimo.
offered() {
    local token part
    COMP_LINE=$1 COMP_POINT=${#1} COMP_WORDS=()
    read -ra tokens <<<"$1"
    [[ $1 == *" " ]] && tokens+=("")
    for token in "${tokens[@]}"; do
        [[ -z $token ]] && COMP_WORDS+=("")
        while [[ -n $token ]]; do
            part=${token%%=*}
            [[ -n $part ]] && COMP_WORDS+=("$part")
            [[ $token == *=* ]] || break
            COMP_WORDS+=("=")
            token=${token#*=}
        done
    done
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _querimo querimo "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s|" "$1"
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "
}
cd "$1"
offered "querimo "
offered "querimo -s -d , DSN=quer"
offered "querimo Quer"
offered "querimo -"
offered "querimo -u -"
offered "querimo -q "
offered "querimo -s DSN=x "
offered "querimo DSN=x query.sql r"
offered "querimo DSN=x query.sql report.csv "
'
completion_expected='complete -F _querimo querimo
querimo |DSN=Querimo\ Check\ Two DSN=querimo-check
querimo -s -d , DSN=quer|querimo-check
querimo Quer|DSN=Querimo\ Check\ Two
querimo -|--help --version -a -d -q -s -u
querimo -u -|-a -d -q -s -u
querimo -q |
querimo -s DSN=x |query.sql report.csv
querimo DSN=x query.sql r|report.csv
querimo DSN=x query.sql report.csv |'
completion_got=$(env ODBCINI="$work/odbc/user.ini" ODBCSYSINI="$work/odbc" \
    BASH_COMPLETION_USER_DIR="$work/no-user-completions" \
    bash --noprofile --norc -c "$completion_run" complete "$work/files" 2>&1) || true
if [[ $completion_got != "$completion_expected" ]]; then
    fail "bash completion, expected and offered:"$'\n'"$(diff <(echo "$completion_expected") \
        <(echo "$completion_got"))"
fi

echo "package-check: $(basename "$package") lintian and AppStream clean; installed; $version;" \
    "demo export wrote $lines lines; bash completion offers switches, data sources and files"
