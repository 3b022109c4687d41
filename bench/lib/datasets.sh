# Sourced by bench/run.sh: the data sets, the same rows in SQLite and in PostgreSQL.
#   d1  1,000,000 rows of ten columns of the usual types, one value in seven NULL
#   d2  10,000,000 rows of three integers, made only for the runs that use it
#   d3  100,000 rows of two 2 KB texts
#   d4  a script of two SELECTs around an UPDATE (several result sets)

BENCH_DATA_VERSION=1

bench_make_sqlite() { # file with-d2(0|1)
    local db=$1 with_d2=$2
    if [[ ! -f $db || $(cat "$db.version" 2>/dev/null) != "$BENCH_DATA_VERSION" ]]; then
        rm -f "$db" "$db.version" "$db.d2.version"
        bench_log "making the SQLite data sets in $db"
        sqlite3 "$db" <<'SQL'
pragma journal_mode = off;
pragma synchronous = off;
create table d1 (a integer primary key, b integer, c bigint, d double, e varchar(8),
                 f varchar(40), g date, h timestamp, i numeric(12,2), j integer);
with recursive n(x) as (select 1 union all select x + 1 from n where x < 1000000)
insert into d1 select x, x % 97, x * 4294967, x / 3.0, 'short', printf('%040d', x),
    date('2024-01-01', '+' || (x % 1000) || ' days'),
    datetime('2024-01-01 00:00:00', '+' || x || ' seconds'), x / 100.0,
    case when x % 7 = 0 then null else x end
from n;
create table d3 (a integer primary key, t1 text, t2 text);
with recursive n(x) as (select 1 union all select x + 1 from n where x < 100000)
insert into d3 select x, replace(hex(zeroblob(1021)), '00', 'ab') || printf('%06d', x),
    replace(hex(zeroblob(1021)), '00', 'cd') || printf('%06d', x)
from n;
SQL
        echo "$BENCH_DATA_VERSION" >"$db.version"
    else
        bench_log "SQLite data sets already in $db"
    fi
    ((with_d2)) || return 0
    [[ $(cat "$db.d2.version" 2>/dev/null) == "$BENCH_DATA_VERSION" ]] && return 0
    bench_log "making the SQLite data set D2 in $db"
    sqlite3 "$db" <<'SQL'
pragma journal_mode = off;
pragma synchronous = off;
drop table if exists d2;
create table d2 (a integer primary key, b integer, c integer);
with recursive n(x) as (select 1 union all select x + 1 from n where x < 10000000)
insert into d2 select x, x % 1000, (x * 7) % 1000003 from n;
SQL
    echo "$BENCH_DATA_VERSION" >"$db.d2.version"
}

bench_make_pg() { # with-d2(0|1) psql arguments...
    local with_d2=$1
    shift
    bench_log "making the PostgreSQL data sets"
    "$@" -v ON_ERROR_STOP=1 <<'SQL'
create table d1 as select x as a, x % 97 as b, x::bigint * 4294967 as c, x / 3.0::float8 as d,
    'short'::varchar(8) as e, lpad(x::text, 40, '0')::varchar(40) as f,
    date '2024-01-01' + (x % 1000) as g,
    timestamp '2024-01-01 00:00:00' + x * interval '1 second' as h,
    (x / 100.0)::numeric(12,2) as i, case when x % 7 = 0 then null else x end as j
from generate_series(1, 1000000) as x;
create table d3 as select x as a, repeat('ab', 1021) || lpad(x::text, 6, '0') as t1,
    repeat('cd', 1021) || lpad(x::text, 6, '0') as t2
from generate_series(1, 100000) as x;
alter table d1 add primary key (a);
vacuum analyze d1, d3;
SQL
    ((with_d2)) || return 0
    "$@" -v ON_ERROR_STOP=1 <<'SQL'
create table d2 as select x as a, x % 1000 as b, (x::bigint * 7 % 1000003)::int as c
from generate_series(1, 10000000) as x;
alter table d2 add primary key (a);
vacuum analyze d2;
SQL
}

# One statement per line: isql reads its input line by line.
bench_write_queries() { # folder
    local dir=$1
    mkdir -p "$dir"
    echo "select * from d1" >"$dir/d1.sql"
    echo "select * from d1 where a <= 100000" >"$dir/d1_100k.sql"
    echo "select * from d1 where a <= 1" >"$dir/d1_1.sql"
    echo "select * from d1 where a <= 999999" >"$dir/d1_grid.sql"
    echo "select * from d2" >"$dir/d2.sql"
    echo "select * from d2 where a <= 100000" >"$dir/d2_100k.sql"
    echo "select t1, t2 from d3" >"$dir/d3.sql"
    printf '%s\n' "select * from d1 where a <= 100000;" "update d1 set b = b where a <= 1000;" \
        "select * from d2 where a <= 300000;" >"$dir/d4.sql"
}
