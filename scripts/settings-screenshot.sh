#!/usr/bin/env bash
# The README's picture of the settings window, taken from the real program
# under 64-bit Wine on a private Xvfb: the stand-in camera plugged in, the
# monitor running, one application registered and chosen for SnapButton.
#
#   scripts/settings-screenshot.sh [OUT.png [DPI]]
#                           (default docs/settings-window.png, at 96 DPI)
#
# Needs a built build/win64 tree and its end-to-end prefix (the test
# e2e_prepare_prefix makes it), ImageMagick and xdotool.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(realpath -m "${1:-$here/../docs/settings-window.png}")
dpi=${2:-96}
export HX_WINE_ARCH=x64
. "$here/lib.sh"
hx_wine_env e2e || exit 2
build=$HX_WIN_BUILD_DIR
for tool in import convert xdotool; do
    command -v "$tool" >/dev/null || { echo "settings-screenshot: $tool is missing" >&2; exit 2; }
done
hx_prefix_ready ||
    { echo "settings-screenshot: no prefix at $WINEPREFIX; run ctest -R e2e_prepare_prefix" >&2; exit 2; }

# A private screen, large enough for the window at 200%.
unset DISPLAY
HX_XVFB_SCREEN=2048x1536x24 hx_display_start || exit 1
log=$(mktemp -d "${TMPDIR:-/tmp}/hx-shot.XXXXXX")
desktop='HKCU\Control Panel\Desktop'
finish() {
    wine "$build/hxmonctl.exe" close >/dev/null 2>&1
    wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
    wineserver -k
    hx_display_stop
    rm -rf "$log"
}
trap finish EXIT

# Wine draws the caption itself: there is no window manager to draw one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >"$log/reg" 2>&1
wine "$build/standin/camctl.exe" plug >"$log/camctl" 2>&1
wine "$build/hxmonctl.exe" register "Photo Viewer" 'C:\windows\hxTestApp.exe' /view >"$log/ctl" 2>&1
wine "$build/hxmonctl.exe" use SnapButton "Photo Viewer" >>"$log/ctl" 2>&1 ||
    { cat "$log/ctl" >&2; exit 1; }
(cd "$log" && wine "$build/hxMonitor.exe" >/dev/null 2>&1 &)
sleep 3
# Wine gives a process the DPI of this value when it starts.
wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >>"$log/reg" 2>&1
wine "$build/hxMonitorSettings.exe" >/dev/null 2>&1 &
window=
for _ in $(seq 1 120); do
    window=$(xdotool search --name '^hxMonitor Settings$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || { echo "settings-screenshot: the window did not appear" >&2; exit 1; }
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$out")"
# The window and its frame, in few colours: a small file.
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$log/shot.png"
convert "$log/shot.png" +dither -colors 32 -strip "PNG8:$out"
echo "settings-screenshot: $out"
