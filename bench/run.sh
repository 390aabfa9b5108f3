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

. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
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
    local dir=$HX_BUILD_ROOT/bench
    local targets=()
    for name in "${names[@]}"; do
        [ "$name" = exe_size ] || targets+=("hx_bench_$name")
    done
    [ ${#targets[@]} -gt 0 ] || return 0
    hx_configure "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_COMPILER="$HX_HOST_CC" -DCMAKE_CXX_COMPILER="$HX_HOST_CXX" || return 1
    hx_build "$dir" "${targets[@]}"
}

build_host || exit 1
status=0
for name in "${names[@]}"; do
    echo
    echo "==> $name"
    case $name in
        exe_size)
            for arch in x86 x64; do
                # Up to date or rebuilt from the current sources.
                hx_configure_windows "$arch" && hx_build "$HX_WIN_BUILD_DIR" hxMonitor ||
                    { status=1; continue; }
                "$HX_ROOT/bench/exe-size.sh" "$HX_WIN_BUILD_DIR/hxMonitor.exe" || status=1
            done
            ;;
        signal_to_launch|idle_cost|stop_time|heap_per_event)
            "$HX_BUILD_ROOT/bench/bench/hx_bench_$name" "${brief[@]}" || status=1
            ;;
        *)
            echo "unknown benchmark: $name (known: ${ALL[*]})" >&2
            status=2
            ;;
    esac
done
exit $status
