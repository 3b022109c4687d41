#!/usr/bin/env bash
# Renders an exported HTML page in headless Chromium: the page must load as a document whose
# tables hold every exported row, and must paint to a picture.
#
#   render_page.sh QUERIMO_BINARY
# Exits 77 (skipped) when Chromium is not installed.
set -euo pipefail

querimo=$1
browser=$(command -v chromium || command -v chromium-browser || true)
[[ -n $browser ]] || { echo "render_page: no chromium; skipped"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-render.XXXXXX")
trap 'rm -rf "$work"' EXIT
sqlite3 "$work/page.db" "create table t (id integer, name varchar(20), note text);
  insert into t values (1, 'M\"uller <b>', 'a & b'), (2, null, ' spaced '), (3, '東京', '');"
# A column name that would run script in a page that took it as it is.
cat >"$work/query.sql" <<'SQL'
select id, name, note as "n<script>document['title']='pwned'</script>" from t order by id
SQL
page=$work/page.html
for run in first second; do
    flags=()
    [[ $run == second ]] && flags=(-a)
    env -u DISPLAY -u WAYLAND_DISPLAY "$querimo" "${flags[@]}" "Driver=SQLite3;Database=$work/page.db" \
        "$work/query.sql" "$page" || { echo "render_page: export failed: $(cat "$page")"; exit 1; }
done

chrome=("$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run
    --disable-background-networking --disable-component-update --disable-sync
    --user-data-dir="$work/profile")
"${chrome[@]}" --dump-dom "file://$page" 2>/dev/null >"$work/dom.html"
rows=$(grep -o '<tr class="repline[01]"' "$work/dom.html" | wc -l)
tables=$(grep -o '<table cellpadding="2"' "$work/dom.html" | wc -l)
if ((rows != 6 || tables != 2)); then
    echo "render_page: expected 6 data rows in 2 report tables, got $rows rows, $tables tables"
    exit 1
fi
grep -q '&lt;null&gt;' "$work/dom.html" || { echo "render_page: NULL cell missing"; exit 1; }
if grep -q -e '<script' -e 'pwned</title>' "$work/dom.html"; then
    echo "render_page: a column name became script"
    exit 1
fi
"${chrome[@]}" --screenshot="$work/page.png" --window-size=900,700 "file://$page" >/dev/null 2>&1
[[ -s $work/page.png ]] || { echo "render_page: no picture was painted"; exit 1; }
echo "render_page: $rows rows in 2 tables rendered"
