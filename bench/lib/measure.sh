# Sourced by bench/run.sh: how each tool exports a query, and how a run is measured.
# Expects BUILD, WORK, RESULTS, PSQL and PG_PORT; DISPLAY and WAYLAND_DISPLAY unset.

# Runs one tool's export of sql-file to out, behind the words of BENCH_PREFIX (a measuring
# command, or nothing). db: sqlite|pg; setting: default|stream, the data source's setting.
bench_exec() { # tool db setting sql-file out
    local tool=$1 dsn=${2}_${3} sql=$4 out=$5 query
    local pg=(-X -q -h 127.0.0.1 -p "$PG_PORT" -U querimo -d querimo)
    case $tool in
    querimo_csv) "${BENCH_PREFIX[@]}" "$BUILD/querimo" "DSN=$dsn" "$sql" "$out.csv" ;;
    querimo_html) "${BENCH_PREFIX[@]}" "$BUILD/querimo" "DSN=$dsn" "$sql" "$out.html" ;;
    raw_probe | typed_probe) "${BENCH_PREFIX[@]}" "$BUILD/bench/querimo_$tool" "DSN=$dsn" "$sql" "$out" ;;
    isql) "${BENCH_PREFIX[@]}" isql -b -d, -c "$dsn" <"$sql" >"$out" ;;
    sqlite3) "${BENCH_PREFIX[@]}" sqlite3 -csv -header "$WORK/data/bench.db" <"$sql" >"$out" ;;
    psql_csv) "${BENCH_PREFIX[@]}" "$PSQL" "${pg[@]}" --csv -f "$sql" -o "$out" ;;
    psql_copy)
        query=$(tr -d ';\n' <"$sql")
        "${BENCH_PREFIX[@]}" "$PSQL" "${pg[@]}" -c "\\copy ($query) to '$out' csv header"
        ;;
    *) return 2 ;;
    esac
}

bench_clean_output() { rm -f "$1" "$1.csv" "$1.html"; }

# Wall time in milliseconds and peak resident memory in KiB of one export, appended to RESULTS
# as: wall GROUP DB SETTING TOOL ROUND MS KIB. Querimo's figure still holds its start-up wait;
# the report subtracts it.
bench_time() { # group tool db setting sql-file round
    local group=$1 tool=$2 db=$3 setting=$4 sql=$5 round=$6
    local out=$WORK/out/$group.$tool start end status=0 ms kib
    bench_clean_output "$out"
    BENCH_PREFIX=(/usr/bin/time -f '%M' -o "$WORK/out/time")
    start=$EPOCHREALTIME
    bench_exec "$tool" "$db" "$setting" "$sql" "$out" || status=$?
    end=$EPOCHREALTIME
    if ((status != 0)); then
        bench_log "$tool on ${db}_$setting failed ($status) for $sql:" \
            "$(head -c 300 "$out.csv" "$out.html" "$out" 2>/dev/null)"
        bench_clean_output "$out"
        return 0
    fi
    ms=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
    kib=$(tail -n 1 "$WORK/out/time")
    echo "wall $group $db $setting $tool $round $ms $kib" >>"$RESULTS"
    bench_clean_output "$out"
}

# Instructions that callgrind counts for one export, appended to RESULTS as:
# ir DB SETTING TOOL QUERY COUNT. Counting is exact whatever else the machine does.
bench_instructions() { # tool db setting sql-file
    local tool=$1 db=$2 setting=$3 sql=$4 out=$WORK/out/cg.$1 ir
    bench_clean_output "$out"
    rm -f "$WORK/out/cg.log"
    BENCH_PREFIX=(valgrind --tool=callgrind --callgrind-out-file=/dev/null
        --log-file="$WORK/out/cg.log")
    bench_exec "$tool" "$db" "$setting" "$sql" "$out" || true
    ir=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$WORK/out/cg.log" 2>/dev/null | head -n 1 || :)
    bench_clean_output "$out"
    if [[ -z $ir ]]; then
        bench_log "callgrind gave no count for $tool on ${db}_$setting ($sql)"
        return 0
    fi
    echo "ir $db $setting $tool $(basename "$sql" .sql) $ir" >>"$RESULTS"
}
