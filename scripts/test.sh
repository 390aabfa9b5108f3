#!/usr/bin/env bash
# The project's test command. On a fresh Debian 12 run it as root: it installs
# what it needs first. Then it builds and tests three trees:
#
#   build/host       product + substitute platform, AddressSanitizer + UBSan
#   build/host-tsan  the same under ThreadSanitizer, tests labelled concurrency
#   build/win32      the real hxMonitor.exe and Windows tests, run under Wine
#
# It exits non-zero if anything fails and ends with a summary.
#
#   scripts/test.sh [host] [tsan] [win32] [fuzz]    (default: all four)
#
#   fuzz             each libFuzzer target for a short while (build/fuzz)
#
# Environment: HX_BUILD_ROOT (default <repo>/build), HX_JOBS (default 2),
# HX_HOST_CC / HX_HOST_CXX (default clang / clang++).
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export HX_ROOT=$ROOT
export HX_BUILD_ROOT=${HX_BUILD_ROOT:-$ROOT/build}
JOBS=${HX_JOBS:-2}
HOST_CC=${HX_HOST_CC:-clang}
HOST_CXX=${HX_HOST_CXX:-clang++}

selected=()
for arg in "$@"; do
    case $arg in
        host|tsan|win32|fuzz) selected+=("$arg") ;;
        -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
        *) echo "unknown tree '$arg' (host, tsan, win32, fuzz)" >&2; exit 2 ;;
    esac
done

# Nothing here reads input; CI may start us with none at all.
exec </dev/null

started_at=$SECONDS
results=()
failed=0

say() { printf '\n==> %s\n' "$*"; }

# ---------------------------------------------------------------- packages

. "$ROOT/scripts/packages.sh"

# ---------------------------------------------------------------- stages

# run_logged NAME LOG COMMAND...: runs COMMAND with its output in LOG and shows
# the end of the log when it fails.
run_logged() {
    local name=$1 log=$2
    shift 2
    if "$@" >"$log" 2>&1; then
        return 0
    fi
    echo "---- $name failed; last lines of $log:"
    tail -n 60 "$log"
    return 1
}

# stage TITLE FUNCTION: runs one tree's configure, build and tests, and
# records the outcome for the summary.
stage() {
    local title=$1 fn=$2 begin=$SECONDS
    say "$title"
    if "$fn"; then
        results+=("PASS  $title  ($((SECONDS - begin)) s)")
    else
        results+=("FAIL  $title  ($((SECONDS - begin)) s)")
        failed=1
    fi
}

configure() {
    local dir=$1
    shift
    mkdir -p "$dir"
    echo "configure $dir"
    run_logged configure "$dir.configure.log" cmake -S "$ROOT" -B "$dir" "$@"
}

# build DIR [TARGET...]: everything, or only the named targets.
build() {
    local dir=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    echo "build $dir (-j$JOBS${1:+, $# targets})"
    run_logged build "$dir.build.log" cmake --build "$dir" -j "$JOBS" "${targets[@]}"
}

configure_and_build() {
    configure "$@" && build "$1"
}

# The programs of the tests labelled $2 in tree $1, found by name: each such
# test is named after its program. Prints nothing when one is not a target.
targets_of_label() {
    local dir=$1 label=$2 names known name
    names=$(ctest --test-dir "$dir" -N -L "$label" | sed -n 's/^ *Test *#[0-9]*: //p')
    known=$(cmake --build "$dir" --target help | sed -n 's/^\.\.\. //p')
    for name in $names; do
        grep -qx "$name" <<<"$known" || return 0
    done
    echo $names
}

run_ctest() {
    local dir=$1
    shift
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS" --timeout 600 "$@"
}

host_asan() {
    local dir=$HX_BUILD_ROOT/host
    configure_and_build "$dir" -DCMAKE_C_COMPILER="$HOST_CC" -DCMAKE_CXX_COMPILER="$HOST_CXX" \
        -DHX_SANITIZE=address,undefined || return 1
    run_ctest "$dir"
}

host_tsan() {
    local dir=$HX_BUILD_ROOT/host-tsan
    configure "$dir" -DCMAKE_C_COMPILER="$HOST_CC" -DCMAKE_CXX_COMPILER="$HOST_CXX" \
        -DHX_SANITIZE=thread || return 1
    # Only what the concurrency tests run, when their programs can be named.
    # shellcheck disable=SC2046 # one target per word
    build "$dir" $(targets_of_label "$dir" concurrency) || return 1
    # A tree that ran nothing would hide a lost label: no tests is a failure.
    run_ctest "$dir" -L concurrency --no-tests=error
}

windows() {
    local dir=$HX_BUILD_ROOT/win32
    configure_and_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" || return 1
    # One X server for all Windows tests; Wine needs one even for hidden windows.
    if ! hx_display_usable; then
        hx_xvfb_start || return 1
        echo "Xvfb on display $DISPLAY"
    fi
    "$ROOT/scripts/wine-prefix.sh" || return 1
    run_ctest "$dir"
}

# Each fuzz target briefly, from its committed seeds (the long runs are in
# BENCHMARKS.md). HX_FUZZ_SECONDS per target, default 30.
fuzz_brief() {
    HX_BUILD_ROOT=$HX_BUILD_ROOT HX_JOBS=$JOBS bash "$ROOT/scripts/fuzz.sh" "${HX_FUZZ_SECONDS:-30}"
}

# ---------------------------------------------------------------- Wine and X

. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/xvfb.sh"

# Every Wine server this run started must go before the X server it uses.
stop_wine_and_x() {
    local prefix
    for prefix in "$HX_BUILD_ROOT"/wineprefix*/; do
        [ -d "$prefix" ] || continue
        WINEPREFIX=${prefix%/} timeout 60 wineserver -w 2>/dev/null ||
            WINEPREFIX=${prefix%/} wineserver -k 2>/dev/null
    done
    hx_xvfb_stop
}

# ---------------------------------------------------------------- main

say "hxMonitor tests in $HX_BUILD_ROOT"
if ! install_packages; then
    echo "FAIL: could not install the packages the tests need" >&2
    exit 1
fi

mkdir -p "$HX_BUILD_ROOT"
trap stop_wine_and_x EXIT
trap 'exit 130' INT TERM

wanted() {
    [ ${#selected[@]} -eq 0 ] && return 0
    local s
    for s in "${selected[@]}"; do [ "$s" = "$1" ] && return 0; done
    return 1
}
wanted host && stage "host: ASan + UBSan" host_asan
wanted tsan && stage "host: ThreadSanitizer (concurrency)" host_tsan
wanted win32 && stage "win32: hxMonitor.exe under Wine" windows
wanted fuzz && stage "fuzz: each target briefly from its seeds" fuzz_brief

printf '\n==== hxMonitor test summary ====\n'
printf '  %s\n' "${results[@]}"
elapsed=$((SECONDS - started_at))
if [ "$failed" -eq 0 ]; then
    printf 'ALL PASSED in %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))
else
    printf 'FAILED (see above) after %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))
fi
exit "$failed"
