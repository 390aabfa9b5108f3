#!/usr/bin/env bash
# The real hxMonitor.exe under Wine, as a user would meet it: it starts and
# stays, a second start is refused with the debugger line and leaves the first
# alone, WM_CLOSE from another program ends it with 0, and afterwards it can
# be started again.
#
#   run.sh HXMONITOR.EXE CLOSEMON.EXE
set -u
if [ $# -ne 2 ]; then
    echo "usage: $0 HXMONITOR.EXE CLOSEMON.EXE" >&2
    exit 2
fi
monitor_exe=$1
closemon_exe=$2

. "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib.sh"
hx_wine_env || exit 2
hx_prefix_make || exit 1
hx_display_start || exit 1

# Every Wine process writes to files, never to ctest's pipe (the first one of
# a session hands its output to the background services).
work=$(mktemp -d "${TMPDIR:-/tmp}/hx-blackbox.XXXXXX")
monitor_pid=

show_file() {
    [ -s "$1" ] && { echo "---- $(basename "$1")"; cat "$1"; }
}

cleanup() {
    if [ -n "$monitor_pid" ] && kill -0 "$monitor_pid" 2>/dev/null; then
        wine "$closemon_exe" --wait 2 >/dev/null 2>&1
        sleep 1
        kill "$monitor_pid" 2>/dev/null
    fi
    hx_display_stop
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in "$work"/*; do show_file "$f"; done
    exit 1
}

step() { echo "-- $*"; }

# Starts a monitor in the background; its pid goes to monitor_pid.
start_monitor() {
    local name=$1
    wine "$monitor_exe" >"$work/$name.out" 2>"$work/$name.err" </dev/null &
    monitor_pid=$!
}

# Waits up to $2 seconds for process $1 to end; its exit code goes to exit_code.
wait_for_exit() {
    local pid=$1 limit=$(( $2 * 10 )) ticks=0
    while kill -0 "$pid" 2>/dev/null; do
        [ "$ticks" -ge "$limit" ] && return 1
        sleep 0.1
        ticks=$((ticks + 1))
    done
    wait "$pid"
    exit_code=$?
    return 0
}

closemon() {
    local log=$1
    shift
    wine "$closemon_exe" "$@" >>"$work/$log" 2>&1
}

step "a monitor starts and keeps its hidden window"
start_monitor first
closemon find-first --find --wait 60 ||
    fail "no window of class hxMonitor appeared within 60 s"
kill -0 "$monitor_pid" 2>/dev/null || fail "the monitor ended after showing its window"
first_pid=$monitor_pid

step "a second start is refused and says so on the debugger"
WINEDEBUG=-all,warn+debugstr wine "$monitor_exe" \
    >"$work/second.out" 2>"$work/second.err" </dev/null
second_code=$?
[ "$second_code" -eq 0 ] || fail "the second copy exited with $second_code, expected 0"
# Wine shows each OutputDebugStringA text quoted: exactly one line, exactly this text.
lines=$(grep -c 'OutputDebugStringA "hxMon: Already Running!"$' "$work/second.err")
[ "$lines" -eq 1 ] ||
    fail "the second copy wrote \"hxMon: Already Running!\" to the debugger $lines times, expected once"

step "the first monitor is still there"
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended when the second started"
closemon find-after-second --find || fail "the first copy's window is gone"

step "WM_CLOSE from another program ends it with exit code 0"
closemon close-first --wait 5 || fail "closemon could not deliver WM_CLOSE"
wait_for_exit "$first_pid" 30 || fail "the monitor still runs 30 s after WM_CLOSE"
[ "$exit_code" -eq 0 ] || fail "the monitor exited with $exit_code after WM_CLOSE, expected 0"
monitor_pid=
closemon find-after-close --find && fail "a window of class hxMonitor is left after the exit"

step "once closed, the monitor starts again as the only copy"
start_monitor third
closemon find-third --find --wait 60 || fail "the restarted monitor showed no window"
closemon close-third || fail "closemon could not close the restarted monitor"
wait_for_exit "$monitor_pid" 30 || fail "the restarted monitor did not end after WM_CLOSE"
[ "$exit_code" -eq 0 ] || fail "the restarted monitor exited with $exit_code, expected 0"
monitor_pid=

echo "PASS"
