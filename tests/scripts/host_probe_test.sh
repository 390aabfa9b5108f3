#!/usr/bin/env bash
# The host probe: what HX_WINE_ARCH forces, what the default picks on each
# kind of host (the probe's answer faked), and whether its own 32-bit test
# program agrees with the system's 32-bit loader where one is installed.
#
#   host_probe_test.sh REPO_ROOT
set -u
root=${1:?usage: host_probe_test.sh REPO_ROOT}
. "$root/scripts/lib.sh"
failures=0
passes=0
expect() {
    if [ "$2" = "$3" ]; then
        passes=$((passes + 1))
    else
        echo "FAIL: $1: got '$2', expected '$3'" >&2
        failures=$((failures + 1))
    fi
}

HX_WINE_ARCH=x64 hx_probe_wine
expect "forced x64 runs" "$HX_WINE_RUNS" x64
expect "forced x64 says why 32-bit is left out" "$HX_WINE_NOT_RUN" "32-bit Wine: left out by HX_WINE_ARCH=x64"
warning=$(HX_WINE_ARCH=x86 hx_probe_wine 2>&1 >/dev/null)
HX_WINE_ARCH=x86 hx_probe_wine 2>/dev/null
expect "forced x86 runs" "$HX_WINE_RUNS" x86
if hx_host_runs_x86; then
    expect "forced x86 where it can run warns of nothing" "$warning" ""
else
    expect "forced x86 where it cannot run says so" "${warning%%:*}" "warning"
fi
HX_WINE_ARCH=both hx_probe_wine 2>/dev/null
expect "both runs both" "$HX_WINE_RUNS/$HX_WINE_NOT_RUN" "x86 x64/"
HX_WINE_ARCH=x32 hx_probe_wine 2>/dev/null
expect "an unknown architecture is refused" "$?" 2

# The default on each kind of host (the probe's answer faked), and the build
# a command running the monitor itself then takes.
hx_host_runs_x86() { return 0; }
HX_WINE_ARCH=auto hx_probe_wine
expect "auto where 32-bit programs run: both Wine runs" "$HX_WINE_RUNS/$HX_WINE_NOT_RUN" "x86 x64/"
HX_WINE_ARCH=auto; hx_pick_main_build
expect "auto where 32-bit programs run: the demo takes the 32-bit exe" \
    "$HX_WINE_ARCH $HX_WIN_BUILD_DIR" "x86 $HX_BUILD_ROOT/win32"
hx_host_runs_x86() { return 1; }
HX_WINE_ARCH=auto hx_probe_wine
expect "auto where 32-bit programs do not run: 64-bit Wine only" "$HX_WINE_RUNS" x64
expect "auto where 32-bit programs do not run says why" "$HX_WINE_NOT_RUN" \
    "32-bit Wine: this host does not execute 32-bit Linux programs"
HX_WINE_ARCH=auto; hx_pick_main_build
expect "auto where 32-bit programs do not run: the demo takes the 64-bit exe" \
    "$HX_WINE_ARCH $HX_WIN_BUILD_DIR" "x64 $HX_BUILD_ROOT/win64"
unset HX_WINE_ARCH
# The real probe again.
. "$root/scripts/lib.sh"

# Where Debian's 32-bit loader is installed, it must agree with the probe.
if [ -e /lib/ld-linux.so.2 ]; then
    loader=no
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && loader=yes
    probe=no
    hx_host_runs_x86 && probe=yes
    expect "the probe agrees with /lib/ld-linux.so.2" "$probe" "$loader"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
