#!/usr/bin/env bash
# A private headless X server for Windows programs that make windows.
#
#   scripts/xvfb.sh COMMAND [ARGS...]   run COMMAND with DISPLAY set to a fresh
#                                       Xvfb, then stop it; COMMAND's exit code
#   . scripts/xvfb.sh                   define hx_xvfb_start / hx_xvfb_stop
#
# Xvfb picks a free display itself (-displayfd) and reports it once it accepts
# connections, so two runs never race for the same number. HX_XVFB_PID stays
# unexported: a child script must never stop its parent's server.

hx_xvfb_start() {
    [ -n "${HX_XVFB_PID:-}" ] && return 0
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "xvfb: Xvfb is not installed (apt-get install xvfb)" >&2
        return 1
    fi
    local report
    report=$(mktemp "${TMPDIR:-/tmp}/hx-xvfb.XXXXXX") || return 1
    # A session of its own: Ctrl+C in the terminal must not take the display
    # away from Wine programs that are still being closed.
    setsid -w Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$report" </dev/null >/dev/null 2>&1 &
    local starter=$! waited=0
    while ! grep -q '[0-9]' "$report" 2>/dev/null; do
        if ! kill -0 "$starter" 2>/dev/null || [ "$waited" -ge 100 ]; then
            echo "xvfb: the X server did not start" >&2
            kill "$starter" 2>/dev/null
            rm -f "$report"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    local number
    number=$(tr -dc '0-9' <"$report")
    rm -f "$report"
    # Where setsid had to fork (a shell with job control) it waits for its
    # child, the server; otherwise it became the server.
    HX_XVFB_PID=$starter
    if [ "$(cat "/proc/$starter/comm" 2>/dev/null)" != Xvfb ]; then
        local child
        child=$(cat "/proc/$starter/task/$starter/children" 2>/dev/null)
        HX_XVFB_PID=${child%% *}
        HX_XVFB_PID=${HX_XVFB_PID:-$starter}
    fi
    export DISPLAY=":$number"
}

hx_xvfb_stop() {
    [ -n "${HX_XVFB_PID:-}" ] || return 0
    kill "$HX_XVFB_PID" 2>/dev/null
    local waited=0
    while kill -0 "$HX_XVFB_PID" 2>/dev/null && [ "$waited" -lt 50 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$HX_XVFB_PID" 2>/dev/null
    unset HX_XVFB_PID
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    if [ $# -eq 0 ]; then
        echo "usage: $0 COMMAND [ARGS...]" >&2
        exit 2
    fi
    hx_xvfb_start || exit 1
    trap 'hx_xvfb_stop; exit 130' INT TERM
    "$@"
    status=$?
    hx_xvfb_stop
    exit "$status"
fi
