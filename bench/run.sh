#!/usr/bin/env bash
# Builds the benchmarks in Release without sanitizers (build/bench) and runs
# them, one at a time. BENCHMARKS.md shows what each prints.
#
#   bench/run.sh [--brief] [NAME...]
#
# NAME: signal_to_launch idle_cost stop_time heap_per_event exe_size (default:
# all). --brief runs each for a few seconds (a smoke run; figures are rough).
# exe_size builds hxMonitor.exe in build/win32 and build/win64 when they are
# not there yet.
# Environment: HX_BUILD_ROOT (default <repo>/build), HX_JOBS (default 2),
# HX_HOST_CC / HX_HOST_CXX (default clang / clang++).
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${HX_BUILD_ROOT:-$ROOT/build}
JOBS=${HX_JOBS:-2}
ALL=(signal_to_launch idle_cost stop_time heap_per_event exe_size)

brief=()
names=()
for arg in "$@"; do
    case $arg in
        --brief) brief=(--brief) ;;
        -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
        *) names+=("$arg") ;;
    esac
done
[ ${#names[@]} -gt 0 ] || names=("${ALL[@]}")

build_host() {
    local dir=$BUILD_ROOT/bench
    local targets=()
    for name in "${names[@]}"; do
        [ "$name" = exe_size ] || targets+=("hx_bench_$name")
    done
    [ ${#targets[@]} -gt 0 ] || return 0
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_COMPILER="${HX_HOST_CC:-clang}" -DCMAKE_CXX_COMPILER="${HX_HOST_CXX:-clang++}" \
        >"$dir.configure.log" 2>&1 || { tail -n 30 "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j "$JOBS" --target "${targets[@]}" >"$dir.build.log" 2>&1 ||
        { tail -n 40 "$dir.build.log"; return 1; }
}

# build_exe TREE TOOLCHAIN: hxMonitor.exe of one architecture.
build_exe() {
    local dir=$BUILD_ROOT/$1
    [ -f "$dir/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$2.cmake" \
        >"$dir.configure.log" 2>&1 || { tail -n 30 "$dir.configure.log"; return 1; }
    # Up to date or rebuilt from the current sources.
    cmake --build "$dir" -j "$JOBS" --target hxMonitor >"$dir.build.log" 2>&1 ||
        { tail -n 40 "$dir.build.log"; return 1; }
}

mkdir -p "$BUILD_ROOT"
build_host || exit 1
status=0
for name in "${names[@]}"; do
    echo
    echo "==> $name"
    case $name in
        exe_size)
            for tree in win32:mingw-i686 win64:mingw-x86_64; do
                build_exe "${tree%%:*}" "${tree#*:}" || { status=1; continue; }
                "$ROOT/bench/exe-size.sh" "$BUILD_ROOT/${tree%%:*}/hxMonitor.exe" || status=1
            done
            ;;
        signal_to_launch|idle_cost|stop_time|heap_per_event)
            "$BUILD_ROOT/bench/bench/hx_bench_$name" "${brief[@]}" || status=1
            ;;
        *)
            echo "unknown benchmark: $name (known: ${ALL[*]})" >&2
            status=2
            ;;
    esac
done
exit $status
