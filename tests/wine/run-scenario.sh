#!/usr/bin/env bash
# Runs one scenario of hxe2e in the prefix that prepare-prefix.sh made for it.
# Scenarios of a kind that must adjust their run (the installer's: which
# packages, or a skip) do so in NAME/scenario-env.sh, sourced first with
# SCENARIO set; a skip says why in the line the test summary collects and
# ends with ctest's skip code, 77.
#
#   run-scenario.sh NAME HXE2E_EXE HXMONITOR_EXE SCENARIO
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../scripts/lib.sh"
if [ $# -ne 4 ]; then
    echo "usage: $0 NAME HXE2E_EXE HXMONITOR_EXE SCENARIO" >&2
    exit 2
fi
kind=$1
shift
hx_wine_env "$kind" || exit 2
if ! hx_prefix_ready; then
    echo "run-scenario: no prefix at $WINEPREFIX; run the tests that prepare it" >&2
    exit 1
fi
SCENARIO=$3
[ -f "$here/$kind/scenario-env.sh" ] && . "$here/$kind/scenario-env.sh"
exec "$HX_ROOT/scripts/wine-run.sh" "$@"
