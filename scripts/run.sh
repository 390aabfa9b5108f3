#!/usr/bin/env bash
# Builds hxMonitor.exe and runs it under Wine until it is closed: the 32-bit
# build where the host runs 32-bit Wine, else the 64-bit one (HX_WINE_ARCH
# forces either).
#
# Close it with Ctrl+C here (the monitor gets WM_CLOSE, as from any other
# program), or from another terminal:
#     scripts/wine-run.sh build/win32/hxmonctl.exe close
# Without an X display it runs on a private Xvfb; its window is hidden anyway.
# Run scripts/test.sh once first on a fresh machine: it installs the tools.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export HX_ROOT=$ROOT
export HX_BUILD_ROOT=${HX_BUILD_ROOT:-$ROOT/build}

say() { printf '\n==> %s\n' "$*"; }
. "$ROOT/scripts/packages.sh"
. "$ROOT/scripts/host-probe.sh"
hx_pick_main_build || exit 2
dir=$HX_BUILD_ROOT/$HX_MAIN_TREE
install_packages windows "wine-$HX_WINE_ARCH" || exit 1

echo "==> building hxMonitor.exe in $dir"
mkdir -p "$dir"
if ! cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$HX_MAIN_TOOLCHAIN.cmake" \
        >"$dir.configure.log" 2>&1; then
    tail -n 40 "$dir.configure.log"
    exit 1
fi
cmake --build "$dir" -j "${HX_JOBS:-2}" --target hxMonitor hxmonctl || exit 1

. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/xvfb.sh"
"$ROOT/scripts/wine-prefix.sh" || exit 1

own_display=0
if ! hx_display_usable; then
    hx_xvfb_start || exit 1
    own_display=1
fi

cleanup() {
    if [ "$own_display" -eq 1 ]; then
        timeout 30 wineserver -w || wineserver -k
        hx_xvfb_stop
    fi
}
trap cleanup EXIT

# Its own session and no terminal, so that Ctrl+C reaches this script and not
# Wine's console: the monitor should end through WM_CLOSE, as it is meant to.
log=$HX_BUILD_ROOT/hxMonitor.log
setsid wine "$dir/hxMonitor.exe" </dev/null >"$log" 2>&1 &
monitor_pid=$!

interrupts=0
request_close() {
    interrupts=$((interrupts + 1))
    if [ "$interrupts" -eq 1 ]; then
        echo
        echo "==> sending WM_CLOSE"
        # Through a pipe: on a terminal Wine would draw its own console there.
        if wine "$dir/hxmonctl.exe" close </dev/null 2>&1 | cat; [ "${PIPESTATUS[0]}" -ne 0 ]; then
            echo "hxmonctl could not close the monitor; Ctrl+C again kills it"
        fi
    else
        echo "==> killing the Wine processes of $WINEPREFIX"
        wineserver -k
    fi
}
trap request_close INT TERM

echo "==> hxMonitor.exe runs (pid $monitor_pid, display $DISPLAY, prefix $WINEPREFIX)"
echo "    its Wine output goes to $log; Ctrl+C closes it"

# wait returns early whenever a trapped signal arrives; the monitor's own
# exit code comes from the first wait that was not cut short.
while :; do
    interrupted_before=$interrupts
    wait "$monitor_pid"
    status=$?
    [ "$interrupts" -eq "$interrupted_before" ] && break
done
trap - INT TERM

echo "==> hxMonitor.exe exited with code $status"
exit "$status"
