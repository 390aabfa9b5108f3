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
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
hx_wine_env || exit 2

if [ $# -eq 0 ]; then
    echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
    exit 2
fi

hx_prefix_make || exit 1
hx_display_start || exit 1

capture=$(mktemp -d "${TMPDIR:-/tmp}/hx-wine-run.XXXXXX") || exit 1
finish() {
    cat "$capture/stdout"
    cat "$capture/stderr" >&2
    rm -rf "$capture"
    hx_display_stop
}
trap 'finish; exit 130' INT TERM

wine "$@" >"$capture/stdout" 2>"$capture/stderr"
status=$?
finish
exit "$status"
