# Turns the records of bench/run.sh into bench/RESULTS.md: medians, ratios and the goals.
# Querimo's wall times have the mandated 1500 ms start-up wait subtracted. Every Querimo figure is
# set against both floors: the text probe (raw_probe) and the typed floor (typed_probe).

function median(list,    n, i, j, v, a) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) {
        v = a[i] + 0
        for (j = i - 1; j >= 1 && a[j] + 0 > v; j--) a[j + 1] = a[j]
        a[j + 1] = v
    }
    if (n == 0) return ""
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
function ratio(a, b) { return (a == "" || b == "" || b + 0 == 0) ? "–" : sprintf("%.2f×", a / b) }
function holds(ok) { return ok ? "**holds**" : "**missed**" }
function isquerimo(tool) { return tool ~ /^querimo_/ }
function wallms(g, d, s, t,    m) {
    m = median(wall[g, d, s, t])
    if (m == "") return ""
    return isquerimo(t) ? m - 1500 : m
}
function irrow(d, s, t) {
    if (ir[d, s, t, "d1_100k"] == "" || ir[d, s, t, "d1_1"] == "") return ""
    return (ir[d, s, t, "d1_100k"] - ir[d, s, t, "d1_1"]) / 99999
}
function toolname(t) { return t == "raw_probe" ? "text probe (raw_probe)" : t == "typed_probe" ? "typed floor (typed_probe)" : t }
# "a vs b = r×" against the typed floor, then the ratio to the text probe.
function against(a, typed, text, unit) {
    return sprintf("%.0f%s vs %.0f%s = %.2f× (text probe %.0f%s: %s)", a, unit, typed, unit, a / typed, text, unit, ratio(a, text))
}
function goal(name, d, figure, limit, ok) { printf "| %s | %s | %s | %s | %s |\n", name, d, figure, limit, holds(ok) }

$1 == "wall" {
    key = $2 SUBSEP $3 SUBSEP $4 SUBSEP $5
    wall[key] = wall[key] " " $7; mem[key] = mem[key] " " $8
    if (!(($2, $3, $4) in seen)) { seen[$2, $3, $4] = 1; order[++groups] = $2 SUBSEP $3 SUBSEP $4 }
    tools[$2, $3, $4] = tools[$2, $3, $4] ((($2, $3, $4, $5) in had) ? "" : " " $5)
    had[$2, $3, $4, $5] = 1
    next
}
$1 == "ir" { ir[$2, $3, $4, $5] = $6; irdb[$2, $3] = 1; irtools[$2, $3] = irtools[$2, $3] (($2, $3, $4) in irhad ? "" : " " $4); irhad[$2, $3, $4] = 1; next }
$1 == "grid" { grid[$2, $4] = grid[$2, $4] " " $5; next }
$1 == "startup" { startup = startup " " $4; next }
$1 == "split" { split_[$2, $3] = $4; splitdb[$2] = 1; next }
{ key = $1; $1 = ""; info[key] = info[key] (info[key] == "" ? "" : ";") substr($0, 2) }

END {
    print "# Benchmark results"
    print ""
    print "Written by `bench/run.sh`; every figure below comes from the one run described here."
    print "Wall times are medians of " info["rounds"] " alternating runs. Querimo's batch runs always"
    print "wait 1500 ms after start before they work: **that wait is subtracted** from every Querimo"
    print "wall time shown. Peak memory is the peak resident set of the whole process. Wall times"
    print "suffer from whatever else the machine runs (see the load average); the instruction counts"
    print "under callgrind do not, and are the figures the instruction goals are judged by."
    print ""
    print "Two floors stand for what any ODBC export must spend: the **text probe**"
    print "(`bench/raw_probe.cpp`) binds every column as text; the **typed floor**"
    print "(`bench/typed_probe.cpp`) binds every column as Querimo does (64-bit integers, doubles,"
    print "date, time and timestamp structs, text in buffers of the same length, long values read"
    print "whole with SQLGetData) and writes what the driver delivered without any conversion. Both"
    print "fetch one row at a time and quote nothing. The goals are set against the typed floor."
    split(info["load"], load, " ")
    if (info["cores"] != "" && load[1] + 0 > info["cores"] + 0) {
        print ""
        printf "**The machine was busy during this run** (load %s on %s cores at the start): its wall\n", load[1], info["cores"]
        print "times, and the goals judged by them, measure the other work as much as Querimo's. Only"
        print "the instruction counts are valid figures of this run."
    }
    if (info["parts"] != "") {
        print ""
        printf "Parts of the suite run: %s.\n", info["parts"]
    }
    print ""
    print "| | |"
    print "|---|---|"
    print "| machine | " info["machine"] " |"
    print "| CPU | " info["cpu"] " |"
    print "| memory | " info["memory"] " |"
    print "| date | " info["date"] " |"
    print "| code | " info["commit"] " |"
    n = split(info["version"], versions, ";")
    for (i = 1; i <= n; i++) { split(versions[i], v, " "); print "| " v[1] " | " v[2] " |" }
    print "| suite run time | " info["suite_seconds"] " s |"
    print "| load average (1, 5, 15 min) | " info["load"] " |"
    print ""

    # Goals first: the figures they rest on are in the sections below.
    print "## Goals"
    print ""
    print "Each figure is set against the typed floor, with the text probe's for comparison."
    print ""
    print "| goal | data source | figure | limit | verdict |"
    print "|---|---|---|---|---|"
    split("sqlite pg", dbs, " "); split("stream default", settings, " ")
    for (i = 1; i <= 2; i++) for (j = 1; j <= 2; j++) {
        d = dbs[i]; s = settings[j]; ds = d "_" s
        c = irrow(d, s, "querimo_csv"); h = irrow(d, s, "querimo_html")
        p = irrow(d, s, "raw_probe"); t = irrow(d, s, "typed_probe")
        if (c != "" && t != "") goal("1. CSV instructions per row", ds, against(c, t, p, ""), "1.1×", c / t <= 1.1)
        if (h != "" && t != "") goal("2. HTML instructions per row", ds, against(h, t, p, ""), "1.25×", h / t <= 1.25)
        q = wallms("d1", d, s, "querimo_csv"); tw = wallms("d1", d, s, "typed_probe"); pw = wallms("d1", d, s, "raw_probe")
        if (q != "" && tw != "") goal("3. CSV wall time, D1", ds, against(q, tw, pw, " ms"), "1.15×", q / tw <= 1.15)
    }
    for (i = 1; i <= 2; i++) {
        d = dbs[i]
        shown = median(grid[d, "shown_ms"]); typed = median(wall["grid", d, "stream", "typed_probe"]); probe = median(wall["grid", d, "stream", "raw_probe"])
        growth = median(grid[d, "peak_growth_kib"]); text = median(grid[d, "text_kib"])
        if (shown != "" && typed != "") goal("4. grid: 999,999 rows shown", d "_stream", against(shown, typed, probe, " ms"), "1.3×", shown / typed <= 1.3)
        if (growth != "" && text != "") goal("4. grid: peak memory growth vs text bytes", d "_stream", sprintf("%.0f vs %.0f KiB = %.2f×", growth, text, growth / text), "2×", growth / text <= 2)
        fmax = median(grid[d, "frame_max_ms"])
        if (fmax != "") goal("4. grid: slowest repaint while scrolling", d "_stream", sprintf("%.1f ms", fmax), "16 ms (one frame at 60 Hz)", fmax <= 16)
    }
    for (i = 1; i <= 2; i++) {
        d = dbs[i]
        small = median(mem["d2_100k", d, "stream", "querimo_csv"]); large = median(mem["d2", d, "stream", "querimo_csv"])
        if (small != "" && large != "") goal("5. peak memory, D2 10,000,000 rows minus 100,000 rows (CSV)", d "_stream", sprintf("%+.1f MB (%d → %d KiB)", (large - small) / 1024, small, large), "10 MB", (large - small) / 1024 <= 10)
    }
    su = median(startup)
    if (su != "") goal("5. start-up to the window shown, no wait", "–", sprintf("%.0f ms", su), "300 ms", su < 300)
    print ""

    if (groups > 0) {
        print "## Wall time and peak memory"
        print ""
        print "Ratios are to the two floors and to isql on the same data source; tools that do not use"
        print "ODBC (sqlite3, psql) are listed under each data source for comparison."
    }
    for (o = 1; o <= groups; o++) {
        split(order[o], g, SUBSEP)
        if (g[3] == "none") continue
        title["d1"] = "D1, 1,000,000 rows of ten columns"; title["d2"] = "D2, 10,000,000 rows of three integers"
        title["d2_100k"] = "D2, first 100,000 rows"; title["d3"] = "D3, 100,000 rows of two 2 KB texts"
        title["d4"] = "D4, SELECT; UPDATE; SELECT"; title["grid"] = "999,999 rows of D1 (the grid's comparison)"
        print ""
        print "### " title[g[1]] ": " g[2] "_" g[3]
        print ""
        print "| tool | wall ms | peak MiB | × typed floor | × text probe | × isql |"
        print "|---|---:|---:|---:|---:|---:|"
        p = wallms(g[1], g[2], g[3], "raw_probe"); t = wallms(g[1], g[2], g[3], "typed_probe"); k = wallms(g[1], g[2], g[3], "isql")
        list = tools[g[1], g[2], g[3]] tools[g[1], g[2], "none"]
        n = split(list, tl, " ")
        for (i = 1; i <= n; i++) {
            s = (g[1], g[2], g[3], tl[i]) in had ? g[3] : "none"
            w = wallms(g[1], g[2], s, tl[i])
            printf "| %s | %.0f | %.1f | %s | %s | %s |\n", toolname(tl[i]), w, median(mem[g[1], g[2], s, tl[i]]) / 1024, ratio(w, t), ratio(w, p), ratio(w, k)
        }
    }
    if (groups > 0) print ""

    hasir = 0
    for (k in irdb) hasir = 1
    if (hasir) {
        print "## Instructions per row (callgrind)"
        print ""
        print "Counted by `valgrind --tool=callgrind` for the export of 100,000 rows of D1, less the count"
        print "for one row (start-up and connection), divided by 99,999. Client side only: for"
        print "PostgreSQL the server's work is not counted."
    }
    for (i = 1; i <= 2; i++) for (j = 1; j <= 2; j++) {
        d = dbs[i]; s = settings[j]
        if (!((d, s) in irdb)) continue
        print ""
        print "### " d "_" s
        print ""
        print "| tool | instructions at 100,000 rows | at 1 row | per row | × typed floor | × text probe | × isql |"
        print "|---|---:|---:|---:|---:|---:|---:|"
        p = irrow(d, s, "raw_probe"); t = irrow(d, s, "typed_probe"); k = irrow(d, s, "isql")
        list = irtools[d, s] irtools[d, "none"]
        n = split(list, tl, " ")
        for (x = 1; x <= n; x++) {
            ss = (d, s, tl[x]) in irhad ? s : "none"
            r = irrow(d, ss, tl[x])
            printf "| %s | %.0f | %.0f | %.0f | %s | %s | %s |\n", toolname(tl[x]), ir[d, ss, tl[x], "d1_100k"], ir[d, ss, tl[x], "d1_1"], r, ratio(r, t), ratio(r, p), ratio(r, k)
        }
    }
    if (hasir) print ""

    hasgrid = (grid["sqlite", "shown_ms"] != "" || grid["pg", "shown_ms"] != "")
    if (hasgrid || startup != "") {
        print "## Result grid"
        print ""
    }
    if (hasgrid) {
        print "The real main window, offscreen (`bench/grid_probe.cpp`): the SQL `select * from d1 where"
        print "a <= 999999` with Max Rows 0 through the Execute handler, timed until the last line is"
        print "painted, against both floors exporting the same rows. Memory growth is the peak resident"
        print "set during the run less the resident set before it; text is the bytes of the data cells the"
        print "grid holds. Paints and announcements are the view's paint events and the model's row"
        print "announcements during the run."
        print ""
        print "| data source | rows | shown ms | typed floor ms | × typed floor | text probe ms | × text probe | peak growth KiB | line store KiB | text KiB | growth / text | repaint median ms | repaint max ms | paints | announcements |"
        print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
        for (i = 1; i <= 2; i++) {
            d = dbs[i]
            if (grid[d, "shown_ms"] == "") continue
            shown = median(grid[d, "shown_ms"]); probe = median(wall["grid", d, "stream", "raw_probe"]); typed = median(wall["grid", d, "stream", "typed_probe"])
            printf "| %s_stream | %d | %.0f | %.0f | %s | %.0f | %s | %d | %d | %d | %s | %.2f | %.2f | %d | %d |\n", d, median(grid[d, "rows"]), shown, typed, ratio(shown, typed), probe, ratio(shown, probe), median(grid[d, "peak_growth_kib"]), median(grid[d, "line_store_kib"]), median(grid[d, "text_kib"]), ratio(median(grid[d, "peak_growth_kib"]), median(grid[d, "text_kib"])), median(grid[d, "frame_median_ms"]), median(grid[d, "frame_max_ms"]), median(grid[d, "run_paints"]), median(grid[d, "run_announcements"])
        }
        print ""
    }
    if (startup != "") {
        printf "Start-up to the main window shown, without the 1500 ms wait (splash, window, first paint; median of %d): **%.0f ms**.\n", split(startup, tmp, " "), median(startup)
        print ""
    }

    hassplit = 0
    for (k in splitdb) hassplit = 1
    if (hassplit) {
        print "## Where the grid's work goes"
        print ""
        print "`bench/grid_split.sh` on 100,000 rows of D1 in the grid probe: each part is the inclusive"
        print "cost of the functions that do it, inside the Execute handler only. **Instructions** are"
        print "counted by callgrind. View updates come at most a few times a second, and under callgrind"
        print "the program runs some fifty times slower, so there it paints far more often per row than it"
        print "does by itself: the split weighs them by the paints and announcements of a run without"
        print "callgrind (\"natural\"), and shows the count under callgrind apart; the pumps' looks for events,"
        print "at most one every few milliseconds, are weighed the same way. **Time** is the share of"
        print "perf's samples of a run without callgrind (each sample counted once, for the innermost part"
        print "on its stack), and beside it the share of all samples that the part spent in the kernel:"
        print "the page faults of new memory and the pumps' polls, which callgrind does not count. The"
        print "time shares suffer from a busy machine (other programs' use of the caches); the"
        print "instruction counts do not."
        head = "| part | functions |"; rule = "|---|---|"
        for (i = 1; i <= 2; i++) {
            d = dbs[i]
            if (!(d in splitdb)) continue
            head = head " " d "_stream instructions per row | share | time | in the kernel |"; rule = rule "---:|---:|---:|---:|"
        }
        print ""
        print head
        print rule
        np = split("fetch texts storage pumps view other", parts, " ")
        desc["fetch"] = "`ODBCStmt::Execute`, `ODBCStmt::Fetch` (the driver's `SQLExecute`, which through a cursor fetches the first block, and `SQLFetch`)"
        desc["texts"] = "`ResultReader::InsertDataLine` less the grid's insert (`ODBCColumn::AppendText`, line numbers)"
        desc["storage"] = "`QueryRun::InsertLine` (`GridLineStore::Insert`, `ScheduleFlush`)"
        desc["pumps"] = "`CWaitProgressDlg::PumpMessages` less the events it delivered: a clock check at every call, looking for events at most every 5 ms"
        desc["view"] = "the events the pumps delivered (`QTimerInfoList::activateTimers`, `QCoreApplication::sendPostedEvents`): announcements (`ResultGridModel::Flush`), layout, painting"
        desc["other"] = "the rest of `CQuerimoDlg::OnExecute`: prepare, describe, bind, headings, progress window"
        name["fetch"] = "fetch"; name["texts"] = "texts"; name["storage"] = "storage"; name["pumps"] = "event pumps"
        name["view"] = "view updates"; name["other"] = "other"
        for (x = 1; x <= np; x++) {
            pk = parts[x]; ik = pk == "view" ? "view_natural" : pk
            line = "| " name[pk] " | " desc[pk] " |"
            for (i = 1; i <= 2; i++) {
                d = dbs[i]
                if (!(d in splitdb)) continue
                line = line sprintf(" %.0f | %.1f%% |", split_[d, ik] / split_[d, "rows"], 100 * split_[d, ik] / split_[d, "total_natural"])
                line = line (split_[d, "perf_samples"] > 0 ? sprintf(" %.1f%% | %.1f%% |", 100 * split_[d, "time_" pk], 100 * split_[d, "kernel_" pk]) : " – | – |")
            }
            print line
        }
        line = "| **total** | the Execute handler |"
        for (i = 1; i <= 2; i++) { d = dbs[i]; if (d in splitdb) line = line sprintf(" **%.0f** | 100%% | %d samples | |", split_[d, "total_natural"] / split_[d, "rows"], split_[d, "perf_samples"]) }
        print line
        line = "| typed floor | `typed_probe`, from the callgrind part |"
        for (i = 1; i <= 2; i++) {
            d = dbs[i]
            if (!(d in splitdb)) continue
            t = irrow(d, "stream", "typed_probe")
            line = line (t == "" ? " – | | | |" : sprintf(" %.0f | total %s | | |", t, ratio(split_[d, "total_natural"] / split_[d, "rows"], t)))
        }
        print line
        line = "| view updates under callgrind | as they came there |"
        for (i = 1; i <= 2; i++) { d = dbs[i]; if (d in splitdb) line = line sprintf(" %.0f | %d paints, %d announcements | | |", split_[d, "view_profiled"] / split_[d, "rows"], split_[d, "paints_profiled"], split_[d, "announcements_profiled"]) }
        print line
        line = "| view updates without callgrind | the counts the split weighs by |"
        for (i = 1; i <= 2; i++) { d = dbs[i]; if (d in splitdb) line = line sprintf(" | %d paints, %d announcements | | |", split_[d, "paints_natural"], split_[d, "announcements_natural"]) }
        print line
        line = "| event pumps per call | `PumpMessages`, once every ten rows; looks for events without callgrind (under it) |"
        for (i = 1; i <= 2; i++) { d = dbs[i]; if (d in splitdb) line = line sprintf(" %.0f | %d calls, %d looks (%d) | | |", split_[d, "pumps"] / split_[d, "pump_calls"], split_[d, "pump_calls"], split_[d, "looks_natural"], split_[d, "looks_profiled"]) }
        print line
        print ""
    }
}
