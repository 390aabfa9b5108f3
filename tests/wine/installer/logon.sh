#!/usr/bin/env bash
# The start at logon, as Wine can show it: installed and closed, the Wine
# session ends; the first program of the new session (whose own start is
# `wineboot --init`) finds no monitor, then runs `wineboot` with no
# arguments, Wine's start-up pass as at a logon, which starts the HKLM Run
# entries: the monitor runs and serves a press.
#
#   logon.sh HXE2E_EXE HXMONITOR_EXE
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../../scripts/lib.sh"
if [ $# -ne 2 ]; then
    echo "usage: $0 HXE2E_EXE HXMONITOR_EXE" >&2
    exit 2
fi
hx_wine_env installer || exit 2

# Its skip code, too, ends the test.
bash "$here/../run-scenario.sh" installer "$1" "$2" installer_logon_prepare || exit
echo "# the Wine session ends"
wineserver -k 2>/dev/null
wineserver -w
exec bash "$here/../run-scenario.sh" installer "$1" "$2" installer_logon_pass
