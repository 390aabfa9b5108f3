#!/usr/bin/env bash
# Once per test run: a fresh prefix of its own, <build root>/wineprefix-NAME
# ("-x64" added for 64-bit runs), with the stand-in camera. A 64-bit prefix
# that runs no 32-bit programs (a Wine without its 32-bit side) is marked
# so, for the scenarios that need them.
#
#   prepare-prefix.sh NAME STANDIN_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
if [ $# -ne 2 ]; then
    echo "usage: $0 NAME STANDIN_DIR" >&2
    exit 2
fi
hx_wine_env "$1" || exit 2
bash "$HX_ROOT/tests/wine/standin/install-camera.sh" --fresh "$2" || exit 1

if [ "$HX_WINE_ARCH" = x64 ] &&
    ! wine 'C:\windows\syswow64\cmd.exe' /c exit 0 >/dev/null 2>&1 </dev/null; then
    touch "$WINEPREFIX/.hx-no-32-bit"
    echo "prepare-prefix: this 64-bit Wine runs no 32-bit programs (no 32-bit Wine)"
fi
exit 0
