#!/usr/bin/env bash
# Makes sure the Wine prefix of scripts/wine-env.sh (of HX_WINE_ARCH) exists; creates a
# fresh one when it is missing or was left half-made. Safe to run many times
# and from parallel tests: the first caller builds, the others wait for it.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"

ready_mark="$WINEPREFIX/.hx-prefix-ready"
[ -f "$ready_mark" ] && exit 0

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$ready_mark" ] && exit 0

echo "wine-prefix: creating $WINEPREFIX" >&2
rm -rf "$WINEPREFIX"
log="$WINEPREFIX.boot.log"

own_display=0
if ! hx_display_usable; then
    . "$here/xvfb.sh"
    hx_xvfb_start || exit 1
    own_display=1
fi

# wineboot starts the prefix's background services, which keep whatever
# output they inherit open for as long as the server lives: never a pipe.
# Nor the lock: a server that outlived us would hold it.
wineboot -i </dev/null >"$log" 2>&1 9>&-
status=$?
# Wine's service manager gives a service 10 s to start (a driver's own
# winedevice.exe to connect, then the driver to load) and gives up for the
# session: on a loaded machine a driver installed then never comes up.
# Wine reads this value as text, in milliseconds, when its services start.
if [ "$status" -eq 0 ]; then
    wine reg add 'HKLM\System\CurrentControlSet\Control' /f \
        /v ServicesPipeTimeout /t REG_SZ /d 60000 </dev/null >>"$log" 2>&1 9>&- ||
        status=$?
fi
# Wait for the services to write the registry and leave.
wineserver -w

[ "$own_display" -eq 1 ] && hx_xvfb_stop

if [ "$status" -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-prefix: wineboot failed ($status); see $log" >&2
    exit 1
fi
touch "$ready_mark"
echo "wine-prefix: ready" >&2
