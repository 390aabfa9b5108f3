#!/usr/bin/env bash
# Once per test run: a fresh installer prefix with the stand-in camera.
#
#   prepare-prefix.sh STANDIN_DIR
#
# The installers are 32-bit programs (so that the x64 one can refuse 32-bit
# Windows with a message of its own). A 64-bit prefix runs them only where
# Wine has its 32-bit side. Where it has not, the scenarios take the x64
# packages built on the 64-bit stub when the tree made them (marked
# so), and otherwise the prefix is marked, and the scenarios say that they
# cannot run here.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/installer-env.sh"
bash "$here/../standin/install-camera.sh" --fresh "$@" || exit 1

. "$HX_ROOT/scripts/wine-env.sh"
reason=$(hx_installers_cannot_run)
native=$(hx_installers_native_stub)
rm -f "$reason" "$native"
if [ "$HX_WINE_ARCH" = x64 ] &&
    ! wine 'C:\windows\syswow64\cmd.exe' /c exit 0 >/dev/null 2>&1 </dev/null; then
    if [ -f "${HXE2E_NATIVE_STUB_PACKAGE_SETUP:-}" ]; then
        touch "$native"
        echo "prepare-prefix: no 32-bit Wine: the x64 packages built on the 64-bit stub are tested"
    else
        echo "they are 32-bit programs, and this 64-bit Wine runs none (no 32-bit Wine)" >"$reason"
        echo "prepare-prefix: the installers cannot run: $(cat "$reason")"
    fi
fi
exit 0
