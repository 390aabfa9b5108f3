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

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
. "$HX_ROOT/scripts/packages.sh"
hx_pick_main_build || exit 2
dir=$HX_WIN_BUILD_DIR
install_packages windows "wine-$HX_WINE_ARCH" || exit 1

echo "==> building hxMonitor.exe in $dir"
hx_configure_windows "$HX_WINE_ARCH" || exit 1
hx_build "$dir" hxMonitor hxmonctl || exit 1

hx_wine_env
hx_prefix_make || exit 1
hx_display_start || exit 1
trap hx_display_stop EXIT

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
