#!/usr/bin/env bash
# Runs a command on a private headless X server, for Windows programs that
# make windows, then stops the server.
#
#   scripts/xvfb.sh COMMAND [ARGS...]     COMMAND's exit code
#
# Scripts use the server through hx_display_start / hx_display_stop
# (scripts/lib.sh); this is the same for a command typed by hand.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
# A fresh server even where a display is set.
unset DISPLAY
hx_display_start || exit 1
trap 'hx_display_stop; exit 130' INT TERM
"$@"
status=$?
hx_display_stop
exit "$status"
