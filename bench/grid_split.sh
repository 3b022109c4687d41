#!/usr/bin/env bash
# Where the result grid's work goes while it takes in a query's rows: a callgrind profile of the
# Execute handler in bench/grid_probe, split by the inclusive costs of the functions that do
# each part, and a perf profile of the same run split by the same functions. Prints
# instructions per row of each part, and its share of the time.
#
#   bench/grid_split.sh [--build-dir DIR] [--records LABEL] [--no-perf] [--keep DIR]
#                       CONNECTION-STRING SQL-FILE
#
# --build-dir DIR  where bench/querimo_grid_probe was built (default: build-bench)
# --records LABEL  print "split LABEL KEY VALUE" lines for bench/run.sh instead of a table
# --no-perf        no perf profile (it is skipped by itself when perf cannot sample)
# --keep DIR       keep the profiles in DIR (callgrind.out for kcachegrind, perf.data)
#
# The parts:
#   fetch         ODBCStmt::Execute and ODBCStmt::Fetch: the driver's SQLExecute (which, reading
#                 through a cursor, already fetches the first block of rows) and SQLFetch
#   texts         ResultReader::InsertDataLine less the grid's insert: the text of every cell
#                 and the line number
#   storage       QueryRun::InsertLine: the line store and the flush request
#   pumps         CWaitProgressDlg::PumpMessages less the events it delivered: the check of the
#                 clock at every call, and the event loop's own work of looking for events at
#                 the calls that look (at most one every few milliseconds)
#   view updates  the events the pumps delivered (QTimerInfoList::activateTimers and
#                 QCoreApplication::sendPostedEvents): row announcements (ResultGridModel::Flush),
#                 the view's delayed layout and painting; and the last announcement after the rows
#   other         the rest of the run: prepare, describe, bind, headings, progress window
# View updates come at most a few times a second, and callgrind runs some fifty times slower than
# the program does: under it the grid paints far more often per row than it would. So the script
# also runs the probe without callgrind, counts its paints and announcements, and weighs the
# view updates by those counts ("at the natural rate"). The pumps look for events at most every
# few milliseconds, so under callgrind they look at far more of their calls too: their looks are
# weighed the same way, by how often the event loop woke with and without callgrind. The other
# parts do not depend on time.
# Instructions are not time: the kernel's work (page faults of the line store, the pumps' polls)
# and cache misses show only in the perf profile, which samples the program at its own speed.
# Its shares are of the samples inside the Execute handler, each sample counted once, for the
# innermost of the functions above on its stack; "kernel" is the part of it spent in the kernel.
# perf shares suffer from a busy machine (other programs' use of the caches); callgrind's counts
# do not.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$repo/build-bench
label=
use_perf=1
keep=
usage() {
    echo "usage: $0 [--build-dir DIR] [--records LABEL] [--no-perf] [--keep DIR]" \
        "CONNECTION-STRING SQL-FILE" >&2
    exit 2
}
while (($#)); do
    case $1 in
    --build-dir) (($# >= 2)) || usage; build=$2; shift ;;
    --records) (($# >= 2)) || usage; label=$2; shift ;;
    --no-perf) use_perf=0 ;;
    --keep) (($# >= 2)) || usage; keep=$2; shift ;;
    -*) usage ;;
    *) break ;;
    esac
    shift
done
(($# == 2)) || usage
connection=$1
sql=$2
probe=$build/bench/querimo_grid_probe
[[ -x $probe ]] || { echo "grid_split: build $probe first" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "grid_split: needs valgrind" >&2; exit 2; }

unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen
if [[ -n $keep ]]; then
    mkdir -p "$keep"
    work=$(cd "$keep" && pwd)
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/querimo-split.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

"$probe" grid "$connection" "$sql" >"$work/native.txt" 2>"$work/native.err" ||
    { echo "grid_split: the grid probe failed: $(cat "$work/native.err")" >&2; exit 1; }
valgrind --tool=callgrind --collect-atstart=no --toggle-collect='CQuerimoDlg::OnExecute()' \
    --callgrind-out-file="$work/callgrind.out" --log-file="$work/callgrind.log" \
    "$probe" grid "$connection" "$sql" >"$work/profiled.txt" 2>"$work/profiled.err" ||
    { echo "grid_split: the grid probe failed under callgrind: $(cat "$work/callgrind.log")" >&2; exit 1; }
# Without callgrind, with perf where it can sample: the DWARF stacks are copied in full enough
# that the Execute handler stays on the stack of a deep paint.
: >"$work/perf.txt"
if ((use_perf)) && command -v perf >/dev/null &&
    perf record -q -e cpu-clock -F 4000 --call-graph dwarf,32768 -o "$work/perf.data" \
        "$probe" grid "$connection" "$sql" >/dev/null 2>"$work/perf.err"; then
    perf script -i "$work/perf.data" -F comm,ip,sym 2>/dev/null >"$work/perf.txt" || :
elif ((use_perf)); then
    echo "grid_split: no perf profile: $(tail -n 1 "$work/perf.err" 2>/dev/null)" >&2
fi

# Each perf sample, one stack a paragraph (innermost frame first), goes to the part of the
# innermost frame that names one; samples outside the Execute handler are left out.
awk '
function part(sym) {
    if (sym ~ /^(QTimerInfoList::activateTimers|QCoreApplication(Private)?::sendPostedEvents|querimo::ResultGridModel::Flush)/) return "view"
    if (sym ~ /^(ODBCStmt::(Execute|Fetch)|SQL(Execute|Fetch))/) return "fetch"
    if (sym ~ /^(QueryRun::InsertLine|querimo::ResultGridModel::InsertLine|querimo::GridLineStore::Insert)/) return "storage"
    if (sym ~ /^(querimo::ResultReader::InsertDataLine|ODBCColumn::AppendText)/) return "texts"
    if (sym ~ /^(CWaitProgressDlg::PumpMessages|QueryRun::Pump)/) return "pumps"
    return ""
}
function finish() {
    if (frames > 0 && inrun) {
        samples++; share[found == "" ? "other" : found]++
        if (kernel) inkernel[found == "" ? "other" : found]++
    }
    frames = 0; inrun = 0; found = ""; kernel = 0
}
/^[^ \t]/ { finish(); next }
/^[ \t]*$/ { finish(); next }
{
    sym = $2
    if (frames == 0) kernel = ($1 ~ /^ffffffff/)
    frames++
    if (sym ~ /^CQuerimoDlg::OnExecute/) inrun = 1
    if (found == "") found = part(sym)
}
END {
    finish()
    if (samples == 0) exit 0
    print "perf_samples", samples
    n = split("fetch texts storage pumps view other", keys, " ")
    for (i = 1; i <= n; i++) {
        printf "time_%s %.4f\n", keys[i], share[keys[i]] / samples
        printf "kernel_%s %.4f\n", keys[i], inkernel[keys[i]] / samples
    }
}' "$work/perf.txt" >"$work/perfsplit.txt"

# The callgrind file names each function once, then refers to it by number. A cost line after
# "calls=" is the inclusive cost of those calls; any other is the function's own cost.
awk -v label="$label" -v nativefile="$work/native.txt" -v profiledfile="$work/profiled.txt" \
    -v perffile="$work/perfsplit.txt" '
function ref(s,    id, rest) {
    if (!match(s, /^\([0-9]+\)/)) return s
    id = substr(s, 1, RLENGTH); rest = substr(s, RLENGTH + 2)
    if (rest != "") names[id] = rest
    return names[id]
}
BEGIN {
    while ((getline line < nativefile) > 0) { split(line, f, " "); native[f[1]] = f[2] }
    while ((getline line < profiledfile) > 0) { split(line, f, " "); profiled[f[1]] = f[2] }
    while ((getline line < perffile) > 0) { split(line, f, " "); perf[f[1]] = f[2] }
    onexecute = "CQuerimoDlg::OnExecute()"
    fetch = "ODBCStmt::Fetch()"
    execute = "ODBCStmt::Execute()"
    dataline = "querimo::ResultReader::InsertDataLine()"
    insert = "QueryRun::InsertLine(int, std::vector<querimo::ResultCell, std::allocator<querimo::ResultCell> > const&)"
    pump = "CWaitProgressDlg::PumpMessages()"
    pumpcaller = "QueryRun::Pump(int)"
    look = "QCoreApplication::processEvents(QFlags<QEventLoop::ProcessEventsFlag>)"
    flush = "querimo::ResultGridModel::Flush()"
    timers = "QTimerInfoList::activateTimers()"
    posted = "QCoreApplication::sendPostedEvents(QObject*, int)"
}
/^fn=/ { current = ref(substr($0, 4)); incall = 0; next }
/^cfn=/ { callee = ref(substr($0, 5)); next }
/^calls=/ { split(substr($0, 7), c, " "); pending = c[1]; incall = 1; next }
/^[0-9+*-]/ {
    if (!incall) { incl[current] += $NF; next }
    incall = 0
    edge[current, callee] += $NF; edgecalls[current, callee] += pending
    # A call of itself is in its cost already.
    if (callee != current) incl[current] += $NF
    next
}
END {
    rows = profiled["rows"]
    if (rows + 0 <= 0 || incl[onexecute] == 0) {
        print "grid_split: no run was profiled" > "/dev/stderr"; exit 1
    }
    total = incl[onexecute]
    storage = edge[dataline, insert]
    texts = incl[dataline] - storage
    # Announcements outside the pumps: the flush at the end of the run.
    flushout = 0
    for (k in edge) {
        split(k, pair, SUBSEP)
        if (pair[1] ~ /^QueryRun::/ && pair[2] == flush) flushout += edge[k]
    }
    # Only the pumps deliver events during the run: every timer and posted event is theirs.
    viewcg = incl[timers] + incl[posted] + flushout
    # A look is what the calls that looked spent beyond the events they delivered, weighed by how
    # often the loop woke without callgrind; the clock checks of all calls stay as they are.
    lookcost = edge[pump, look] + edge[pump, posted] - incl[timers] - incl[posted]
    if (lookcost < 0) lookcost = 0
    lookscg = profiled["run_event_looks"]; looksnat = native["run_event_looks"]
    looknat = lookscg > 0 ? lookcost * looksnat / lookscg : lookcost
    pumps = incl[pump] - incl[timers] - incl[posted] - lookcost + looknat
    fetched = incl[execute] + incl[fetch]
    other = total - fetched - incl[dataline] - incl[pump] - flushout
    paintscg = profiled["run_paints"]; paintsnat = native["run_paints"]
    anncg = profiled["run_announcements"]; annnat = native["run_announcements"]
    # Weighed by how many paints and announcements came without callgrind.
    viewnat = paintscg + anncg > 0 ? viewcg * (paintsnat + annnat) / (paintscg + anncg) : viewcg
    n = split("fetch texts storage pumps view_profiled view_natural other", keys, " ")
    value["fetch"] = fetched; value["texts"] = texts; value["storage"] = storage
    value["pumps"] = pumps; value["view_profiled"] = viewcg; value["view_natural"] = viewnat
    value["other"] = other
    totalnat = total - viewcg + viewnat
    if (label != "") {
        printf "split %s rows %d\n", label, rows
        for (i = 1; i <= n; i++) printf "split %s %s %.0f\n", label, keys[i], value[keys[i]]
        printf "split %s total_profiled %.0f\n", label, total
        printf "split %s total_natural %.0f\n", label, totalnat
        printf "split %s pump_calls %d\n", label, edgecalls[pumpcaller, pump]
        printf "split %s looks_profiled %d\nsplit %s looks_natural %d\n", label, lookscg, label, looksnat
        printf "split %s paints_profiled %d\nsplit %s paints_natural %d\n", label, paintscg, label, paintsnat
        printf "split %s announcements_profiled %d\nsplit %s announcements_natural %d\n", label, anncg, label, annnat
        for (k in perf) printf "split %s %s %s\n", label, k, perf[k]
        exit 0
    }
    printf "%d rows; instructions per row and their share (view updates at the natural rate);\n", rows
    printf "perf: share of the time (of it in the kernel), %d samples\n", perf["perf_samples"]
    for (i = 1; i <= n; i++) {
        k = keys[i]
        pk = k == "view_natural" ? "view" : k
        printf "  %-14s %9.0f  %5.1f%%", k, value[k] / rows, (k == "view_profiled" ? value[k] / total : value[k] / totalnat) * 100
        if (perf["perf_samples"] > 0 && k != "view_profiled") printf "   %5.1f%% (%4.1f%%)", perf["time_" pk] * 100, perf["kernel_" pk] * 100
        printf "\n"
    }
    printf "  %-14s %9.0f\n", "total", totalnat / rows
    printf "view updates: %d paints and %d announcements under callgrind, %d and %d without it\n", paintscg, anncg, paintsnat, annnat
    printf "event loop woken %d times under callgrind, %d without it\n", lookscg, looksnat
}' "$work/callgrind.out"
