# Turns the records of bench/run.sh into bench/RESULTS.md: medians, ratios and the goals.
# Querimo's wall times have the mandated 1500 ms start-up wait subtracted.

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
    print "| goal | data source | figure | limit | verdict |"
    print "|---|---|---|---|---|"
    split("sqlite pg", dbs, " "); split("stream default", settings, " ")
    for (i = 1; i <= 2; i++) for (j = 1; j <= 2; j++) {
        d = dbs[i]; s = settings[j]
        c = irrow(d, s, "querimo_csv"); p = irrow(d, s, "raw_probe"); h = irrow(d, s, "querimo_html")
        if (c != "" && p != "") printf "| 1. CSV instructions per row vs raw probe | %s_%s | %.0f vs %.0f = %.2f× | 1.1× | %s |\n", d, s, c, p, c / p, holds(c / p <= 1.1)
        q = wallms("d1", d, s, "querimo_csv"); k = wallms("d1", d, s, "isql")
        if (q != "" && k != "") printf "| 1. CSV wall time vs isql, D1 | %s_%s | %.0f vs %.0f ms = %.2f× | 0.75× | %s |\n", d, s, q, k, q / k, holds(q / k <= 0.75)
        if (c != "" && h != "") printf "| 2. HTML instructions per row vs CSV | %s_%s | %.0f vs %.0f = %.2f× | 1.3× | %s |\n", d, s, h, c, h / c, holds(h / c <= 1.3)
    }
    for (i = 1; i <= 2; i++) {
        d = dbs[i]
        small = median(mem["d2_100k", d, "stream", "querimo_csv"]); large = median(mem["d2", d, "stream", "querimo_csv"])
        if (small != "" && large != "") printf "| 3. peak memory, D2 10,000,000 rows minus 100,000 rows (CSV) | %s_stream | %+.1f MB (%d → %d KiB) | 10 MB | %s |\n", d, (large - small) / 1024, small, large, holds((large - small) / 1024 <= 10)
    }
    for (i = 1; i <= 2; i++) {
        d = dbs[i]
        shown = median(grid[d, "shown_ms"]); probe = median(wall["grid", d, "stream", "raw_probe"])
        growth = median(grid[d, "peak_growth_kib"]); text = median(grid[d, "text_kib"])
        if (shown != "" && probe != "") printf "| 4. grid: 999,999 rows shown vs raw probe | %s_stream | %.0f vs %.0f ms = %.2f× | 1.3× | %s |\n", d, shown, probe, shown / probe, holds(shown / probe <= 1.3)
        if (growth != "" && text != "") printf "| 4. grid: peak memory growth vs text bytes | %s_stream | %.0f vs %.0f KiB = %.2f× | 2× | %s |\n", d, growth, text, growth / text, holds(growth / text <= 2)
        fmax = median(grid[d, "frame_max_ms"])
        if (fmax != "") printf "| 4. grid: slowest repaint while scrolling | %s_stream | %.1f ms | 16 ms (one frame at 60 Hz) | %s |\n", d, fmax, holds(fmax <= 16)
    }
    su = median(startup)
    if (su != "") printf "| 5. start-up to the window shown, no wait | – | %.0f ms | 300 ms | %s |\n", su, holds(su < 300)
    print ""

    print "## Wall time and peak memory"
    print ""
    print "Ratios are to the raw probe and to isql on the same data source; tools that do not use"
    print "ODBC (sqlite3, psql) are listed under each data source for comparison."
    for (o = 1; o <= groups; o++) {
        split(order[o], g, SUBSEP)
        if (g[3] == "none") continue
        title["d1"] = "D1, 1,000,000 rows of ten columns"; title["d2"] = "D2, 10,000,000 rows of three integers"
        title["d2_100k"] = "D2, first 100,000 rows"; title["d3"] = "D3, 100,000 rows of two 2 KB texts"
        title["d4"] = "D4, SELECT; UPDATE; SELECT"; title["grid"] = "999,999 rows of D1 (the grid's comparison)"
        print ""
        print "### " title[g[1]] ": " g[2] "_" g[3]
        print ""
        print "| tool | wall ms | peak MiB | × raw probe | × isql |"
        print "|---|---:|---:|---:|---:|"
        p = wallms(g[1], g[2], g[3], "raw_probe"); k = wallms(g[1], g[2], g[3], "isql")
        list = tools[g[1], g[2], g[3]] tools[g[1], g[2], "none"]
        n = split(list, t, " ")
        for (i = 1; i <= n; i++) {
            s = (g[1], g[2], g[3], t[i]) in had ? g[3] : "none"
            w = wallms(g[1], g[2], s, t[i])
            printf "| %s | %.0f | %.1f | %s | %s |\n", t[i] (s == "none" ? "" : ""), w, median(mem[g[1], g[2], s, t[i]]) / 1024, ratio(w, p), ratio(w, k)
        }
    }
    print ""

    print "## Instructions per row (callgrind)"
    print ""
    print "Counted by `valgrind --tool=callgrind` for the export of 100,000 rows of D1, less the count"
    print "for one row (start-up and connection), divided by 99,999. Client side only: for"
    print "PostgreSQL the server's work is not counted."
    for (i = 1; i <= 2; i++) for (j = 1; j <= 2; j++) {
        d = dbs[i]; s = settings[j]
        if (!((d, s) in irdb)) continue
        print ""
        print "### " d "_" s
        print ""
        print "| tool | instructions at 100,000 rows | at 1 row | per row | × raw probe | × isql |"
        print "|---|---:|---:|---:|---:|---:|"
        p = irrow(d, s, "raw_probe"); k = irrow(d, s, "isql")
        list = irtools[d, s] irtools[d, "none"]
        n = split(list, t, " ")
        for (x = 1; x <= n; x++) {
            ss = (d, s, t[x]) in irhad ? s : "none"
            r = irrow(d, ss, t[x])
            printf "| %s | %.0f | %.0f | %.0f | %s | %s |\n", t[x], ir[d, ss, t[x], "d1_100k"], ir[d, ss, t[x], "d1_1"], r, ratio(r, p), ratio(r, k)
        }
    }
    print ""

    print "## Result grid"
    print ""
    print "The real main window, offscreen (`bench/grid_probe.cpp`): the SQL `select * from d1 where"
    print "a <= 999999` with Max Rows 0 through the Execute handler, timed until the last line is"
    print "painted. Memory growth is the peak resident set during the run less the resident set"
    print "before it; text is the bytes of the data cells the grid holds."
    print ""
    print "| data source | rows | shown ms | raw probe ms | ratio | peak growth KiB | line store KiB | text KiB | growth / text | repaint median ms | repaint max ms |"
    print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    for (i = 1; i <= 2; i++) {
        d = dbs[i]
        if (grid[d, "shown_ms"] == "") continue
        shown = median(grid[d, "shown_ms"]); probe = median(wall["grid", d, "stream", "raw_probe"])
        printf "| %s_stream | %d | %.0f | %.0f | %s | %d | %d | %d | %s | %.2f | %.2f |\n", d, median(grid[d, "rows"]), shown, probe, ratio(shown, probe), median(grid[d, "peak_growth_kib"]), median(grid[d, "line_store_kib"]), median(grid[d, "text_kib"]), ratio(median(grid[d, "peak_growth_kib"]), median(grid[d, "text_kib"])), median(grid[d, "frame_median_ms"]), median(grid[d, "frame_max_ms"])
    }
    print ""
    printf "Start-up to the main window shown, without the 1500 ms wait (splash, window, first paint; median of %d): **%.0f ms**.\n", split(startup, tmp, " "), median(startup)
}
