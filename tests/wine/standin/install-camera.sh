#!/usr/bin/env bash
# The one way a Wine prefix gets the stand-in camera, for the demo, the
# end-to-end tests and the Wine benches alike, on either architecture
# (HX_WINE_ARCH, see scripts/lib.sh): creates the prefix if needed,
# copies the stand-in programs into its Windows directory (where the
# monitor's bare "hxAMCap.exe" and "hxCap.exe" are found) and installs the
# driver with camsetup.exe. A prefix that already holds this build of the
# driver only has the camera started.
#
#   HX_WINEPREFIX=/path/to/prefix install-camera.sh [--fresh] [STANDIN_DIR]
#
# STANDIN_DIR holds the built hxcamsim.sys, hxcamsim.inf and tools; it
# defaults to the standin directory of the architecture's Windows build.
# The prefix must be named: the shared test prefix is no place for a
# camera. --fresh starts from a new prefix; so does a prefix that holds
# another build of the driver, since installing again over it keeps the
# driver file it has. Exit code 0 once the camera is there.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib.sh"

usage() {
    echo "usage: HX_WINEPREFIX=PREFIX $0 [--fresh] [STANDIN_DIR]" >&2
    exit 2
}

fresh=0
if [ "${1:-}" = "--fresh" ]; then
    fresh=1
    shift
fi
[ $# -le 1 ] || usage
if [ -z "${HX_WINEPREFIX:-}" ]; then
    echo "install-camera: set HX_WINEPREFIX to the prefix that gets the camera" >&2
    exit 2
fi

hx_wine_env || exit 2

standin=${1:-$HX_WIN_BUILD_DIR/standin}
if [ ! -f "$standin/hxcamsim.sys" ]; then
    echo "install-camera: no hxcamsim.sys in $standin (build the standin_camera target)" >&2
    usage
fi
standin=$(cd "$standin" && pwd)

# pe_machine FILE: the machine field of a PE file's header, in hex.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
case $HX_WINE_ARCH:$(pe_machine "$standin/hxcamsim.sys") in
    x86:014c | x64:8664) ;;
    *)
        echo "install-camera: $standin holds no $HX_WINE_ARCH build of the driver" \
             "(HX_WINE_ARCH=$HX_WINE_ARCH needs the matching Windows build)" >&2
        exit 2 ;;
esac

driver_sum=$(sha256sum <"$standin/hxcamsim.sys" | cut -d' ' -f1)
camera_mark=$WINEPREFIX/.hx-camera
installed_driver=$WINEPREFIX/drive_c/windows/system32/drivers/hxcamsim.sys
reuse=0
if [ "$fresh" -eq 0 ] && hx_prefix_ready &&
   [ "$(cat "$camera_mark" 2>/dev/null)" = "$driver_sum" ] &&
   cmp -s "$standin/hxcamsim.sys" "$installed_driver"; then
    reuse=1
elif [ -e "$installed_driver" ]; then
    fresh=1
fi

[ "$fresh" -eq 1 ] && [ -e "$WINEPREFIX" ] && hx_prefix_remove
hx_prefix_make || exit 1

windir="$WINEPREFIX/drive_c/windows"
for program in hxAMCap hxCap hxTestApp; do
    cp "$standin/$program.exe" "$windir/$program.exe" || exit 1
done

if [ "$reuse" -eq 1 ]; then
    # Wine starts an installed root device's driver with the session;
    # this waits for the camera to come up.
    "$HX_ROOT/scripts/wine-run.sh" "$standin/camsetup.exe" start && exit 0
    echo "install-camera: the camera in $WINEPREFIX did not start (--fresh makes the prefix anew)" >&2
    exit 1
fi

rm -f "$camera_mark"
# The prefix sees the host's root as drive Z:.
inf="Z:${standin//\//\\}\\hxcamsim.inf"
"$HX_ROOT/scripts/wine-run.sh" "$standin/camsetup.exe" install "$inf" || exit 1
echo "$driver_sum" >"$camera_mark"
