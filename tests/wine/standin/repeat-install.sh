#!/usr/bin/env bash
# Installs the stand-in camera into N fresh prefixes in a row, the way the
# demo, the tests and the benches do (install-camera.sh --fresh), and tallies
# how often the camera came up.
#
#   [HX_WINE_ARCH=x86|x64] repeat-install.sh [--load K] [N] [STANDIN_DIR]
#
# N defaults to 20; STANDIN_DIR to the standin directory of the
# architecture's Windows build. --load K keeps K busy loops running
# alongside, for a loaded machine. The prefix is
# <build root>/wineprefix-repeat (plus "-x64"), or HX_WINEPREFIX. The tally
# also counts the rounds in which the driver's service had to be started
# again (see the stand-in README); the output of those rounds and of every
# failed one stays in <build root>/repeat-install-<arch>/.
# Exit code 0 when every round installed the camera.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../../scripts/lib.sh"

load=0
if [ "${1:-}" = "--load" ]; then
    load=${2:?--load needs a number}
    shift 2
fi
rounds=${1:-20}
case $rounds in ''|*[!0-9]*) echo "usage: $0 [--load K] [N] [STANDIN_DIR]" >&2; exit 2 ;; esac
[ $# -gt 0 ] && shift

hx_wine_env repeat || exit 2
logs=$HX_BUILD_ROOT/repeat-install-$HX_WINE_ARCH
rm -rf "$logs"
mkdir -p "$logs"

hogs=()
stop_load() {
    [ ${#hogs[@]} -gt 0 ] && kill "${hogs[@]}" 2>/dev/null
    hogs=()
}
trap stop_load EXIT
trap 'exit 130' INT TERM
for _ in $(seq 1 "$load"); do
    bash -c 'while :; do :; done' &
    hogs+=($!)
done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

installed=0
restarted=0
times=()
started_all=$SECONDS
for round in $(seq 1 "$rounds"); do
    started=$(now_ms)
    bash "$here/install-camera.sh" --fresh "$@" >"$logs/round-$round.log" 2>&1
    status=$?
    ms=$(( $(now_ms) - started ))
    times+=("$ms")
    tenths=$(( (ms + 50) / 100 ))
    seconds=$(printf '%d.%d' $((tenths / 10)) $((tenths % 10)))
    note=
    if grep -q "starting it again" "$logs/round-$round.log"; then
        restarted=$((restarted + 1))
        note="   (driver started again, see $logs/round-$round.log)"
    fi
    if [ "$status" -eq 0 ]; then
        installed=$((installed + 1))
        printf 'round %2d: installed   %5s s%s\n' "$round" "$seconds" "$note"
        [ -n "$note" ] || rm -f "$logs/round-$round.log"
    else
        printf 'round %2d: FAILED (%d)  %5s s   see %s\n' "$round" "$status" "$seconds" \
            "$logs/round-$round.log"
    fi
done
stop_load

printf '%s: camera installed in %d of %d fresh prefixes, %d with the driver started again' \
    "$HX_WINE_ARCH" "$installed" "$rounds" "$restarted"
printf ' (load: %d busy loops, load average %s)\n' "$load" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${times[@]}" | sort -n | awk -v all=$((SECONDS - started_all)) '
    { ms[NR] = $1 }
    END { printf "seconds per prefix: min %.1f, median %.1f, max %.1f; all %d s\n",
                 ms[1] / 1000, ms[int((NR + 1) / 2)] / 1000, ms[NR] / 1000, all }'
[ "$installed" -eq "$rounds" ]
