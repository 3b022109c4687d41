#!/usr/bin/env bash
# Sets everything up and runs all of Querimo's tests against SQLite and a private PostgreSQL
# cluster that lives only as long as this script. The tests run once, in the sanitizer build
# (ASan, LSan, UBSan); the normal build makes the program that the package check installs.
#
#   test.sh [--ci] [--no-sanitize]
#
# --ci           warnings are errors, a missing PostgreSQL fails the tests instead of skipping
#                them (QUERIMO_REQUIRE_PG=1), and the normal build, the Debian package and a
#                short fuzz run are checked too
# --no-sanitize  runs the tests in the normal build instead (quicker, without the sanitizers)
#
# QUERIMO_WERROR=1 turns warnings into errors without --ci. The summary gives each step's time.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

ci=0
sanitize=1
while (($#)); do
    case $1 in
    --ci) ci=1 ;;
    --no-sanitize) sanitize=0 ;;
    *)
        echo "usage: $0 [--ci] [--no-sanitize]" >&2
        exit 2
        ;;
    esac
    shift
done

build_flags=()
if ((ci)) || [[ ${QUERIMO_WERROR:-0} == 1 ]]; then
    build_flags+=(--werror)
fi

# Every step begins with its banner, which starts the step's clock.
banner() {
    printf '\n==== %s\n' "$*"
    step_start=$SECONDS
}

steps=()
failed_steps=0
passed=0
failed=0
skipped=0

step_start=$SECONDS
started=$SECONDS
note() { # step name, status
    local took="$((SECONDS - step_start)) s"
    step_start=$SECONDS
    if (($2 == 0)); then
        steps+=("ok      $1 ($took)")
    else
        steps+=("FAILED  $1 (status $2, $took)")
        failed_steps=$((failed_steps + 1))
    fi
}

# Adds one ctest run's counts, read from its closing lines, to the totals.
count_tests() {
    local log=$1 line total fail skip
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1) || return 0
    fail=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    skip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \((Skipped|Disabled)\)$' "$log" || true)
    passed=$((passed + total - fail - skip))
    failed=$((failed + fail))
    skipped=$((skipped + skip))
}

run_ctest() { # build dir, label, [VAR=value...]
    local dir=$1 label=$2 status=0
    shift 2
    banner "tests: $label"
    env "$@" ctest --test-dir "$dir" --output-on-failure -j2 --no-tests=error --timeout 300 \
        2>&1 | tee "$dir/ctest-output.log" || status=$?
    count_tests "$dir/ctest-output.log"
    note "tests ($label)" "$status"
}

build() { # label, build.sh arguments...
    local label=$1 status=0
    shift
    banner "build: $label"
    bash scripts/build.sh "$@" || status=$?
    note "build ($label)" "$status"
    return "$status"
}

banner "dependencies"
status=0
bash scripts/install-deps.sh || status=$?
note "dependencies" "$status"
((status == 0)) || { echo "test.sh: cannot go on without the dependencies" >&2; exit 1; }

# The normal build: the program for the package check, or everything when the tests run in it.
normal_ok=0
if ((!sanitize)); then
    build normal "${build_flags[@]}" -- -DQUERIMO_BUILD_TESTS=ON && normal_ok=1
elif ((ci)); then
    build normal "${build_flags[@]}" -- -DQUERIMO_BUILD_TESTS=OFF -DQUERIMO_BUILD_BENCH=OFF &&
        normal_ok=1
fi

# The cluster is stopped and the temporary folders removed however this
# script ends.
pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/querimo-pg.XXXXXX")
home_dir=$(mktemp -d "${TMPDIR:-/tmp}/querimo-test-home.XXXXXX")
clean_up() {
    [[ -z ${fuzz_pid:-} ]] || kill "$fuzz_pid" 2>/dev/null || true
    bash "$repo/scripts/pg-cluster.sh" stop "$pg_dir" >/dev/null 2>&1 || true
    rm -rf -- "$home_dir"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

banner "PostgreSQL"
status=0
bash scripts/pg-cluster.sh start "$pg_dir" >/dev/null || status=$?
note "PostgreSQL cluster" "$status"
if ((status == 0)); then
    # shellcheck source=/dev/null
    source "$pg_dir/env.sh"
    export QUERIMO_PG_ANSI QUERIMO_PG_UNICODE
else
    echo "test.sh: no PostgreSQL; its tests will $( ((ci)) && echo fail || echo be skipped)" >&2
    unset QUERIMO_PG_ANSI QUERIMO_PG_UNICODE
fi

if ((ci)); then
    export QUERIMO_REQUIRE_PG=1
fi
# Tests behave the same on a desktop as on a headless CI machine, and the
# settings they write never reach the user's own.
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
export XDG_CONFIG_HOME=$home_dir/config XDG_RUNTIME_DIR=$home_dir/runtime
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

# In CI every fuzz target runs briefly, so that a target that no longer builds or fails at once
# is noticed; long runs are made by hand with tests/fuzz/run.sh. It builds and runs beside the
# tests, which spend much of their time waiting for the program and the server.
fuzz_pid=
start_fuzz_smoke() {
    if ((ci)); then
        QUERIMO_FUZZ_BUILD_DIR=$repo/build-fuzz QUERIMO_WERROR=1 bash tests/fuzz/run.sh 3 \
            >"$home_dir/fuzz.log" 2>&1 &
        fuzz_pid=$!
    fi
}

if ((!sanitize && normal_ok)); then
    start_fuzz_smoke
    run_ctest build normal
fi

# In CI the Debian package is built, installed and tried as a user would.
if ((ci && normal_ok)); then
    banner "package"
    status=0
    bash scripts/package-check.sh build || status=$?
    note "Debian package" "$status"
fi

if ((sanitize)); then
    # The benchmark probes are not tests: the sanitizer build leaves them out.
    # Line tables are all a sanitizer's report needs, and cost far less to build than full
    # debug information.
    if build sanitizer --sanitize "${build_flags[@]}" -- -DQUERIMO_BUILD_TESTS=ON \
        -DQUERIMO_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1; then
        start_fuzz_smoke
        run_ctest build-asan sanitizer \
            ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
    fi
fi

if ((ci)) && [[ -z $fuzz_pid ]]; then
    start_fuzz_smoke
fi
if [[ -n $fuzz_pid ]]; then
    banner "fuzz smoke"
    status=0
    wait "$fuzz_pid" || status=$?
    fuzz_pid=
    cat "$home_dir/fuzz.log"
    note "fuzz smoke (3 s per target, beside the tests)" "$status"
fi

banner "summary"
printf '  %s\n' "${steps[@]}"
((sanitize)) || echo "  (sanitizer build skipped: --no-sanitize)"
echo "  all steps: $((SECONDS - started)) s"
echo "summary: $passed passed, $failed failed, $skipped skipped"
((failed_steps == 0 && failed == 0))
