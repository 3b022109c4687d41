#!/usr/bin/env bash
# Configures and builds Querimo.
#
#   build.sh [--werror] [--sanitize] [--build-dir DIR] [--target T] [-- CMAKE-ARGS...]
#
# --werror     warnings are errors
# --sanitize   AddressSanitizer, LeakSanitizer and UBSan; Debug build
# --build-dir  default: build (build-asan with --sanitize)
# --target     build only this target (say querimo), not the tests and probes too
# Arguments after -- go to the CMake configure step (-DQUERIMO_BUILD_TESTS=OFF).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

werror=OFF
sanitize=OFF
build_dir=
target=()
cmake_args=()

usage() {
    echo "usage: $0 [--werror] [--sanitize] [--build-dir DIR] [--target T] [-- CMAKE-ARGS...]" >&2
    exit 2
}

while (($#)); do
    case $1 in
    --werror) werror=ON ;;
    --sanitize) sanitize=ON ;;
    --build-dir)
        (($# >= 2)) || usage
        build_dir=$2
        shift
        ;;
    --build-dir=*) build_dir=${1#*=} ;;
    --target)
        (($# >= 2)) || usage
        target=(--target "$2")
        shift
        ;;
    --)
        shift
        cmake_args=("$@")
        break
        ;;
    -h | --help) usage ;;
    *)
        echo "build.sh: unknown argument: $1" >&2
        usage
        ;;
    esac
    shift
done

if [[ $sanitize == ON ]]; then
    build_type=Debug
    build_dir=${build_dir:-$repo/build-asan}
else
    build_type=RelWithDebInfo
    build_dir=${build_dir:-$repo/build}
fi

# A folder configured before keeps its generator: CMake refuses to switch.
generator=
if [[ -f $build_dir/CMakeCache.txt ]]; then
    generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$build_dir/CMakeCache.txt")
fi
if [[ -z $generator ]]; then
    if command -v ninja >/dev/null 2>&1; then
        generator=Ninja
    else
        generator="Unix Makefiles"
    fi
fi

echo "build.sh: $build_type build in $build_dir (werror=$werror, sanitize=$sanitize)" >&2
# Both options are passed every time so that a cached ON from an earlier
# configure cannot linger.
cmake -S "$repo" -B "$build_dir" -G "$generator" \
    -DCMAKE_BUILD_TYPE="$build_type" \
    -DQUERIMO_WERROR="$werror" \
    -DQUERIMO_SANITIZE="$sanitize" \
    "${cmake_args[@]}"
cmake --build "$build_dir" --parallel 2 "${target[@]}"
