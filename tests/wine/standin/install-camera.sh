#!/usr/bin/env bash
# Puts the stand-in camera into a 32-bit Wine prefix: creates the prefix if
# needed, copies the stand-in programs into its Windows directory (where the
# monitor's bare "hxAMCap.exe" and "hxCap.exe" are found) and installs the
# driver with camsetup.exe.
#
#   HX_WINEPREFIX=/path/to/prefix install-camera.sh [--fresh] STANDIN_DIR
#
# STANDIN_DIR holds the built hxcamsim.sys, hxcamsim.inf and tools (the
# Windows build's "standin" directory). The prefix must be named: the shared
# test prefix is no place for a camera. --fresh starts from a new one;
# so does a prefix that holds another build of the driver, since installing
# again over it keeps the driver file it has.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)

fresh=0
if [ "${1:-}" = "--fresh" ]; then
    fresh=1
    shift
fi
if [ $# -ne 1 ] || [ ! -f "$1/hxcamsim.sys" ]; then
    echo "usage: $0 [--fresh] STANDIN_DIR   (the directory with hxcamsim.sys)" >&2
    exit 2
fi
standin=$(cd "$1" && pwd)
if [ -z "${HX_WINEPREFIX:-}" ]; then
    echo "$0: set HX_WINEPREFIX to the prefix that gets the camera" >&2
    exit 2
fi

. "$root/scripts/wine-env.sh"

installed_driver=$WINEPREFIX/drive_c/windows/system32/drivers/hxcamsim.sys
if [ -f "$installed_driver" ] && ! cmp -s "$standin/hxcamsim.sys" "$installed_driver"; then
    fresh=1
fi

if [ "$fresh" -eq 1 ] && [ -e "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "$WINEPREFIX.boot.log"
fi
# wine-prefix.sh ends with the boot's server gone, so the driver is installed
# in a new session: installed in the boot session, its start would be lost.
"$root/scripts/wine-prefix.sh" || exit 1

windir="$WINEPREFIX/drive_c/windows"
for program in hxAMCap hxCap hxTestApp; do
    cp "$standin/$program.exe" "$windir/$program.exe" || exit 1
done

# The prefix sees the host's root as drive Z:.
inf="Z:${standin//\//\\}\\hxcamsim.inf"
"$root/scripts/wine-run.sh" "$standin/camsetup.exe" install "$inf" && exit 0
# Once, on a loaded machine, the driver was installed but its camera never
# appeared in that session. The driver is in the prefix by then, and a new
# session starts it afresh; a second failure is a real one.
echo "install-camera: the camera did not come up; starting it in a new Wine session" >&2
wineserver -k 2>/dev/null
wineserver -w
"$root/scripts/wine-run.sh" "$standin/camsetup.exe" start
