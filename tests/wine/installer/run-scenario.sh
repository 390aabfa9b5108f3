#!/usr/bin/env bash
# Runs one installer scenario of hxe2e in the installer prefix; the packages
# are named in the environment (HXE2E_PACKAGE_*, HXE2E_UPGRADE_*,
# HXE2E_OTHER_ARCH_*, HXE2E_FORCED_*: SETUP, EXE, VERSION).
#
#   run-scenario.sh HXE2E_EXE HXMONITOR_EXE SCENARIO
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -ne 3 ]; then
    echo "usage: $0 HXE2E_EXE HXMONITOR_EXE SCENARIO" >&2
    exit 2
fi
. "$here/installer-env.sh"
. "$HX_ROOT/scripts/wine-env.sh"
if [ ! -f "$WINEPREFIX/.hx-prefix-ready" ]; then
    echo "run-scenario: no installer prefix at $WINEPREFIX; run the installer_prepare_prefix test" >&2
    exit 1
fi
hx_skip_unless_installers_run
hx_take_native_stub_packages "$3"
exec "$HX_ROOT/scripts/wine-run.sh" "$@"
