#!/usr/bin/env bash
# Once per test run: a fresh prefix of its own, <build root>/wineprefix-NAME
# ("-x64" added for 64-bit runs), with the stand-in camera.
#
#   prepare-prefix.sh [--32-bit WHAT] NAME STANDIN_DIR
#
# --32-bit: the scenarios run 32-bit programs (the installers are, so that
# the x64 one can refuse 32-bit Windows with a message of its own). A 64-bit
# prefix runs them only where Wine has its 32-bit side; where it has not, the
# prefix is marked, and run-scenario.sh says that WHAT cannot run here.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
needs_32_bit=
if [ "${1:-}" = --32-bit ]; then
    needs_32_bit=${2:?--32-bit needs a name for what it runs}
    shift 2
fi
if [ $# -ne 2 ]; then
    echo "usage: $0 [--32-bit WHAT] NAME STANDIN_DIR" >&2
    exit 2
fi
hx_wine_env "$1" || exit 2
bash "$HX_ROOT/tests/wine/standin/install-camera.sh" --fresh "$2" || exit 1

cannot_run=$WINEPREFIX/.hx-cannot-run
rm -f "$cannot_run"
if [ -n "$needs_32_bit" ] && [ "$HX_WINE_ARCH" = x64 ] &&
    ! wine 'C:\windows\syswow64\cmd.exe' /c exit 0 >/dev/null 2>&1 </dev/null; then
    echo "$needs_32_bit ($HX_WINE_ARCH): they are 32-bit programs, and this 64-bit Wine runs none (no 32-bit Wine)" >"$cannot_run"
    echo "prepare-prefix: $(cat "$cannot_run")"
fi
exit 0
