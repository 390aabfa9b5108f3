#!/usr/bin/env bash
# Runs one scenario of hxe2e in the prefix that prepare-prefix.sh made for it
# (the installer scenarios find their packages named in the environment:
# HXE2E_PACKAGE_*, HXE2E_UPGRADE_*, HXE2E_OTHER_ARCH_*: SETUP, EXE, VERSION,
# CTL). Where the prefix cannot run the scenario, it says why in the line
# the test summary collects and ends with ctest's skip code, 77.
#
#   run-scenario.sh NAME HXE2E_EXE HXMONITOR_EXE SCENARIO
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
if [ $# -ne 4 ]; then
    echo "usage: $0 NAME HXE2E_EXE HXMONITOR_EXE SCENARIO" >&2
    exit 2
fi
hx_wine_env "$1" || exit 2
shift
if ! hx_prefix_ready; then
    echo "run-scenario: no prefix at $WINEPREFIX; run the tests that prepare it" >&2
    exit 1
fi
if [ -f "$WINEPREFIX/.hx-cannot-run" ]; then
    echo "not run: $(cat "$WINEPREFIX/.hx-cannot-run")"
    exit 77
fi
exec "$HX_ROOT/scripts/wine-run.sh" "$@"
