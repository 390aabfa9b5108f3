#!/usr/bin/env bash
# Runs one end-to-end scenario in the end-to-end prefix.
#
#   run-scenario.sh HXE2E_EXE HXMONITOR_EXE SCENARIO
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -ne 3 ]; then
    echo "usage: $0 HXE2E_EXE HXMONITOR_EXE SCENARIO" >&2
    exit 2
fi
. "$here/e2e-env.sh"
# The prefix's name depends on the architecture.
. "$HX_ROOT/scripts/wine-env.sh" || exit 2
if [ ! -f "$WINEPREFIX/.hx-prefix-ready" ]; then
    echo "run-scenario: no end-to-end prefix at $WINEPREFIX; run the e2e_prepare_prefix test" >&2
    exit 1
fi
exec "$HX_ROOT/scripts/wine-run.sh" "$1" "$2" "$3"
