#!/usr/bin/env bash
# Builds the SQLite demo database from demo/demo.sql, anew every time.
#
#   make-demo-db.sh [OUT]     default OUT: build/demo/querimo-demo.db
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$repo/build/demo/querimo-demo.db}
(($# <= 1)) || { echo "usage: $0 [OUT]" >&2; exit 2; }

command -v sqlite3 >/dev/null 2>&1 ||
    { echo "make-demo-db: sqlite3 is missing (run scripts/install-deps.sh)" >&2; exit 1; }

out_dir=$(dirname -- "$out")
mkdir -p -- "$out_dir"

# Built beside the target and renamed over it, so a failed build never leaves
# a half-filled database where a good one was.
tmp=$(mktemp "$out_dir/.querimo-demo.XXXXXX")
trap 'rm -f -- "$tmp"' EXIT
rm -f -- "$tmp"
sqlite3 -bail "$tmp" <"$repo/demo/demo.sql"
chmod 644 "$tmp"
mv -f -- "$tmp" "$out"
trap - EXIT

echo "make-demo-db: wrote $(realpath -- "$out")" >&2
