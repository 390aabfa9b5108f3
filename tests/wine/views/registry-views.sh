#!/usr/bin/env bash
# Which registry view each build of the monitor reads, shown under Wine: in
# a 64-bit prefix, a 64-bit and a 32-bit program each write a registration
# under "Registered Applications" and the 32-bit one writes an event's
# LaunchApplications under a driver key; then each reads both keys back with
# its default view, as the monitor does. Needs 32-bit Wine beside 64-bit.
#
#   tests/wine/views/registry-views.sh
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib.sh"
HX_WINE_ARCH=x64
hx_wine_env views || exit 2
hx_prefix_make || exit 1

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
if ! [ -x "$wine32" ] || ! "$wine32" --version >/dev/null 2>&1; then
    echo "registry-views: 32-bit Wine cannot run here" >&2
    exit 1
fi
apps='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\StillImage\Registered Applications'
event='HKLM\SYSTEM\CurrentControlSet\Control\Class\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\9999\Events\SnapButton'
# reg.exe of each architecture uses its own process's default view.
reg() { "$1" reg "${@:2}" </dev/null 2>/dev/null | tr -d '\r'; }
reg "$wine64" add "$apps" /v Viewer /d "written by a 64-bit program" /f >/dev/null
reg "$wine32" add "$apps" /v Viewer /d "written by a 32-bit program" /f >/dev/null
reg "$wine32" add "$event" /v LaunchApplications /d Viewer /f >/dev/null

for build in 64 32; do
    loader=$wine64
    [ "$build" = 32 ] && loader=$wine32
    echo "$build-bit reader:"
    echo "  Registered Applications\\Viewer = $(reg "$loader" query "$apps" /v Viewer | sed -n 's/.*REG_SZ *//p')"
    echo "  driver key Events\\SnapButton\\LaunchApplications = $(reg "$loader" query "$event" /v LaunchApplications | sed -n 's/.*REG_SZ *//p')"
done
reg "$wine64" delete "${event%\\Events\\SnapButton}" /f >/dev/null
wineserver -w
