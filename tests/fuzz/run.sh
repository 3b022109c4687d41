#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and runs each in turn,
# one at a time, for the given number of seconds (default 600).
#
#   tests/fuzz/run.sh [SECONDS]
#
# QUERIMO_FUZZ_BUILD_DIR  build folder (default build-fuzz in the repository)
# QUERIMO_FUZZ_TARGETS    names of the targets to run (default: all), e.g. "text"
# QUERIMO_WERROR=1        warnings are errors
#
# New inputs go to <build folder>/corpus/<target>; the committed seeds in tests/fuzz/corpus are
# only read. A failing input is kept as <build folder>/artifacts/<target>-crash-...; reproduce
# it with <build folder>/tests/fuzz/<target>_fuzzer <that file>.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
seconds=${1:-600}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi
build_dir=${QUERIMO_FUZZ_BUILD_DIR:-$repo/build-fuzz}
targets=${QUERIMO_FUZZ_TARGETS:-report_text text value_text}
werror=OFF
[[ ${QUERIMO_WERROR:-0} == 1 ]] && werror=ON

cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUERIMO_BUILD_FUZZERS=ON -DQUERIMO_BUILD_BENCH=OFF -DQUERIMO_WERROR="$werror" >/dev/null
cmake --build "$build_dir" -j2 --target querimo_fuzzers

failed=0
summary=()
for target in $targets; do
    work="$build_dir/corpus/$target"
    log="$build_dir/fuzz-$target.log"
    mkdir -p "$work" "$build_dir/artifacts"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build_dir/artifacts/$target-")
    dict="$repo/tests/fuzz/$target.dict"
    [[ -f $dict ]] && options+=(-dict="$dict")
    echo "fuzz: $target for $seconds s" >&2
    status=0
    "$build_dir/tests/fuzz/${target}_fuzzer" "${options[@]}" "$work" "$repo/tests/fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    took=$(sed -n 's/^stat::.*//; s/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
    if ((status == 0)); then
        summary+=("ok      $target: ${runs:-?} inputs in ${took:-$seconds} s, corpus $(ls "$work" | wc -l)")
    else
        summary+=("FAILED  $target (status $status): see $log")
        tail -n 40 "$log" >&2
        failed=1
    fi
done
printf '%s\n' "${summary[@]}"
exit "$failed"
