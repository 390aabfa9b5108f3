#!/usr/bin/env bash
# Runs one Windows program under Wine and exits with its exit code. This is the
# emulator through which ctest runs the Windows test programs.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#
# The program's output is collected in files and replayed when it ends: if
# this is the first Wine process of a session it starts the background
# services, and they would hold a pipe (ctest's) open until the server quits.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"

if [ $# -eq 0 ]; then
    echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
    exit 2
fi

"$here/wine-prefix.sh" || exit 1

own_display=0
if ! hx_display_usable; then
    . "$here/xvfb.sh"
    hx_xvfb_start || exit 1
    own_display=1
fi

capture=$(mktemp -d "${TMPDIR:-/tmp}/hx-wine-run.XXXXXX") || exit 1
finish() {
    cat "$capture/stdout"
    cat "$capture/stderr" >&2
    rm -rf "$capture"
    if [ "$own_display" -eq 1 ]; then
        # The X server must outlive every Wine process that may use it.
        timeout 120 wineserver -w
        hx_xvfb_stop
    fi
}
trap 'finish; exit 130' INT TERM

wine "$@" >"$capture/stdout" 2>"$capture/stderr"
status=$?
finish
exit "$status"
