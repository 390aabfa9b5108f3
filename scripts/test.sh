#!/usr/bin/env bash
# The project's test command. On a fresh Debian 12 run it as root: it installs
# what the chosen trees need first. Then it builds and tests:
#
#   build/host       product + substitute platform, AddressSanitizer + UBSan
#   build/host-tsan  the same under ThreadSanitizer, tests labelled concurrency
#   build/win32      the 32-bit hxMonitor.exe and Windows tests, under 32-bit Wine
#   build/win64      the 64-bit hxMonitor.exe and Windows tests, under 64-bit Wine
#   build/fuzz       each libFuzzer target for a short while
#
# Both Windows trees are built on every host; each is tested under Wine of
# its own architecture where that runs. By default that is both where the
# host executes 32-bit Linux programs, and 64-bit Wine alone where it does
# not. A tree whose Wine does not run has its exe checked without Wine
# (imports, resources, size), and the summary says which Wine runs happened,
# which were left out, and why. It exits non-zero if anything fails.
#
#   scripts/test.sh [host] [tsan] [win32] [win64] [fuzz]    (default: all)
#
# Environment: HX_BUILD_ROOT (default <repo>/build), HX_JOBS (default 2),
# HX_HOST_CC / HX_HOST_CXX (default clang / clang++), HX_WINE_ARCH
# (auto, both, x86 or x64: which Wine runs; see scripts/lib.sh).
set -u -o pipefail

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
. "$HX_ROOT/scripts/packages.sh"

selected=()
for arg in "$@"; do
    case $arg in
        host|tsan|win32|win64|fuzz) selected+=("$arg") ;;
        -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
        *) echo "unknown tree '$arg' (host, tsan, win32, win64, fuzz)" >&2; exit 2 ;;
    esac
done

# Nothing here reads input; CI may start us with none at all.
exec </dev/null

started_at=$SECONDS
results=()
failed=0

# Decided once: which Wine runs this host can make. Then each Windows stage
# names its own architecture to everything it starts.
hx_probe_wine || exit 2
unset HX_WINE_ARCH

# ---------------------------------------------------------------- stages

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
    ctest --test-dir "$dir" --output-on-failure -j "$HX_JOBS" --timeout 600 "$@"
}

host_asan() {
    local dir=$HX_BUILD_ROOT/host
    install_packages_for host || return 1
    hx_configure "$dir" -DCMAKE_C_COMPILER="$HX_HOST_CC" -DCMAKE_CXX_COMPILER="$HX_HOST_CXX" \
        -DHX_SANITIZE=address,undefined || return 1
    hx_build "$dir" || return 1
    run_ctest "$dir"
}

host_tsan() {
    local dir=$HX_BUILD_ROOT/host-tsan
    install_packages_for host || return 1
    hx_configure "$dir" -DCMAKE_C_COMPILER="$HX_HOST_CC" -DCMAKE_CXX_COMPILER="$HX_HOST_CXX" \
        -DHX_SANITIZE=thread || return 1
    # Only what the concurrency tests run, when their programs can be named.
    # shellcheck disable=SC2046 # one target per word
    hx_build "$dir" $(targets_of_label "$dir" concurrency) || return 1
    # A tree that ran nothing would hide a lost label: no tests is a failure.
    run_ctest "$dir" -L concurrency --no-tests=error
}

# windows ARCH: one Windows tree. Built on every host; its tests run under
# Wine of the same architecture where the host allows, and otherwise only
# those that read the files without Wine (label exe).
windows() {
    local arch=$1
    install_packages_for windows || return 1
    hx_configure_windows "$arch" || return 1
    local dir=$HX_WIN_BUILD_DIR
    if ! wine_runs "$arch"; then
        # Only the exes shipped: the file tests need nothing else.
        hx_build "$dir" hxMonitor hxmonctl hxMonitorSettings || return 1
        run_ctest "$dir" -L '^exe$' --no-tests=error
        return
    fi
    hx_build "$dir" || return 1
    install_packages_for "wine-$arch" || return 1
    # One X server for all Windows tests.
    if ! hx_display_usable; then
        hx_display_start || return 1
        echo "Xvfb on display $DISPLAY"
    fi
    (HX_WINE_ARCH=$arch && hx_wine_env && hx_prefix_make) || return 1
    local status=0
    HX_WINE_ARCH=$arch run_ctest "$dir" || status=1
    # A test that this host cannot run skips itself with a "not run: ..."
    # line; the summary repeats it.
    mapfile -t -O "${#tests_not_run[@]}" tests_not_run < <(
        sed -n 's/^not run: //p' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u)
    return "$status"
}
windows_x86() { windows x86; }
windows_x64() { windows x64; }

wine_runs() {
    case " $HX_WINE_RUNS " in *" $1 "*) return 0 ;; esac
    return 1
}

install_packages_for() {
    install_packages "$@" && return 0
    echo "FAIL: could not install the packages for $*" >&2
    return 1
}

# Each fuzz target briefly, from its committed seeds (the long runs are in
# BENCHMARKS.md). HX_FUZZ_SECONDS per target, default 30.
fuzz_brief() {
    install_packages_for host || return 1
    bash "$HX_ROOT/scripts/fuzz.sh" "${HX_FUZZ_SECONDS:-30}"
}

# Every Wine server this run started must go before the X server it uses.
stop_wine_and_x() {
    hx_wine_end "$HX_BUILD_ROOT"/wineprefix*/
    hx_display_stop
}

# ---------------------------------------------------------------- main

say "hxMonitor tests in $HX_BUILD_ROOT"
echo "Wine runs on this host: ${HX_WINE_RUNS:-none}${HX_WINE_NOT_RUN:+ (not run: $HX_WINE_NOT_RUN)}"

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
# A run this host cannot make is said so once, never counted as a pass or a
# failure.
wine_ran=()
wine_left_out=0
tests_not_run=()
for arch in x86 x64; do
    hx_arch "$arch"
    tree=$HX_WIN_TREE
    wanted "$tree" || continue
    if wine_runs "$arch"; then
        stage "$tree: hxMonitor.exe and its tests under $arch Wine" "windows_$arch"
        wine_ran+=("$arch")
    else
        stage "$tree: hxMonitor.exe built and checked without Wine" "windows_$arch"
        wine_left_out=1
    fi
done
wanted fuzz && stage "fuzz: each target briefly from its seeds" fuzz_brief

printf '\n==== hxMonitor test summary ====\n'
printf '  %s\n' "${results[@]}"
if [ ${#wine_ran[@]} -gt 0 ] || [ "$wine_left_out" -eq 1 ]; then
    wine_line="Wine runs: ${wine_ran[*]:-none}"
    [ ${#wine_ran[@]} -eq 2 ] &&
        wine_line+=" (both Windows trees, each under Wine of its own architecture)"
    [ "$wine_left_out" -eq 1 ] && wine_line+="; not run: $HX_WINE_NOT_RUN"
    printf '%s\n' "$wine_line"
fi
[ ${#tests_not_run[@]} -gt 0 ] && printf 'Not run here: %s\n' "${tests_not_run[@]}"
elapsed=$((SECONDS - started_at))
if [ "$failed" -eq 0 ]; then
    printf 'ALL PASSED in %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))
else
    printf 'FAILED (see above) after %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))
fi
exit "$failed"
