#!/usr/bin/env bash
# The whole chain, end to end, under Wine: build hxMonitor.exe, give a Wine
# prefix a stand-in camera, start the monitor, press the camera's button and
# report a new picture, show which programs the monitor started, and close it.
#
#   scripts/demo.sh
#
# The stand-in camera is a small kernel driver (tests/wine/standin) that
# behaves like the real camera's: the monitor finds it, opens it and hands
# it its two events. The "programs" it starts are stand-ins that write down
# how they were started. It runs the 32-bit build where the host can run
# 32-bit Wine, and the 64-bit build where it cannot. Environment:
# HX_BUILD_ROOT (default <repo>/build), HX_JOBS (default 2), HX_WINE_ARCH
# (auto, x86 or x64). The demo prefix is <build root>/wineprefix-demo (with
# "-x64" for the 64-bit build), or HX_WINEPREFIX.
set -u

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
. "$HX_ROOT/scripts/packages.sh"
log_windows='C:\hxsim\demo-launches.log'

fail() { echo "demo: $*" >&2; exit 1; }

# ---------------------------------------------------------------- build

hx_pick_main_build || exit 2
dir=$HX_WIN_BUILD_DIR
standin=$dir/standin
install_packages windows "wine-$HX_WINE_ARCH" || fail "could not install the packages it needs"

say "building the $HX_WINE_ARCH hxMonitor.exe and the stand-in camera in $dir"
[ "$HX_WINE_ARCH" = x64 ] && [ -n "$HX_WINE_NOT_RUN" ] && echo "    (the 64-bit build; $HX_WINE_NOT_RUN)"
hx_configure_windows "$HX_WINE_ARCH" || fail "configure failed"
hx_build "$dir" hxMonitor standin_camera hxmonctl || fail "build failed"

hx_wine_env demo || exit 2
hx_display_start || exit 1

monitor_pid=
cleanup() {
    [ -n "$monitor_pid" ] && kill "$monitor_pid" 2>/dev/null
    hx_display_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

out=$(mktemp -d "${TMPDIR:-/tmp}/hx-demo.XXXXXX") || exit 1
# win PROGRAM ARGS...: see hx_win in scripts/lib.sh.
win() { hx_win "$out" "$@"; }

# ---------------------------------------------------------------- camera

say "preparing the Wine prefix $WINEPREFIX and installing the stand-in camera"
bash "$HX_ROOT/tests/wine/standin/install-camera.sh" "$standin" || fail "could not install the camera"
win "$standin/camsetup.exe" status | sed 's/^/    /'

# ---------------------------------------------------------------- monitor

say "starting hxMonitor.exe"
mkdir -p "$WINEPREFIX/drive_c/hxsim"
rm -f "$WINEPREFIX/drive_c/hxsim/demo-launches.log"
win "$standin/camctl.exe" reset
# The monitor hands its environment to what it starts: this is how the
# stand-in programs learn where to write.
export HXSIM_LOG=$log_windows
setsid wine "$dir/hxMonitor.exe" </dev/null >"$out/monitor.out" 2>&1 &
monitor_pid=$!

# record_value KEY: one value from the driver's record.
record_value() {
    win "$standin/camctl.exe" record | sed -n "s/^$1=//p"
}

armed=0
for _ in $(seq 1 100); do
    if [ "$(record_value armed)" = 1 ]; then
        armed=1
        break
    fi
    sleep 0.2
done
[ "$armed" -eq 1 ] || fail "the monitor did not arm the camera's driver"
echo "    the monitor opened the camera and handed its driver two events:"
win "$standin/camctl.exe" record | sed -n 's/ status=0x00000000//; s/ name= / /; s/^event[0-9]*=\(open\|arm\) /      \1 /p'

launch_lines() {
    local file=$WINEPREFIX/drive_c/hxsim/demo-launches.log
    if [ -f "$file" ]; then grep -c . "$file"; else echo 0; fi
}

wait_for_launches() {
    for _ in $(seq 1 100); do
        [ "$(launch_lines)" -ge "$1" ] && return 0
        sleep 0.2
    done
    return 1
}

say "pressing the camera's snapshot button"
win "$standin/camctl.exe" press || fail "the press did not reach the camera"
wait_for_launches 1 || fail "nothing started after the press"

say "the camera reports a new picture"
win "$standin/camctl.exe" picture || fail "the report did not reach the camera"
wait_for_launches 2 || fail "nothing started after the new picture"

say "programs the monitor started"
while IFS=$'\t' read -r -a fields; do
    declare -A launch=()
    for field in "${fields[@]}"; do
        launch[${field%%=*}]=${field#*=}
    done
    printf '    %-12s command line "%s"\n' "${launch[program]}" "${launch[cmdline]}"
    printf '    %-12s directory    %s, console: %s, started by pid %s\n' "" \
        "${launch[cwd]}" "${launch[console]}" "${launch[parent]}"
    unset launch
done <"$WINEPREFIX/drive_c/hxsim/demo-launches.log"

# ---------------------------------------------------------------- close

say "closing the monitor (WM_CLOSE)"
win "$dir/hxmonctl.exe" close || fail "hxmonctl could not close the monitor"
wait "$monitor_pid"
status=$?
monitor_pid=
echo "    hxMonitor.exe exited with code $status"
echo "    what the camera's driver was asked to do:"
win "$standin/camctl.exe" record | sed -n 's/ status=0x00000000//; s/ name= / /; s/^event[0-9]*=\(open\|arm\|disarm\|close\|press\|picture\) /      \1 /p'
rm -rf "$out"
[ "$status" -eq 0 ] || exit 1
say "done"
