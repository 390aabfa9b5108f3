#!/usr/bin/env bash
# Checks hxMonitorSettings.exe from the file alone, with no Wine: a GUI
# program that imports only the platform's own DLLs (no C runtime), nothing
# by ordinal, asks for administrator rights, UTF-8 as its process code page
# and per-monitor DPI awareness, and carries its icon (at every size from 16
# to 256), dialogs and version record.
#
#   check-settings-exe.sh EXE VERSION
# Environment: HX_OBJDUMP, HX_WINDRES (the toolchain's objdump and windres).
set -u -o pipefail
if [ $# -ne 2 ] || [ ! -f "$1" ]; then
    echo "usage: $0 EXE VERSION" >&2
    exit 2
fi
exe=$1 version=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
failures=0
fail() { echo "REJECTED: $*"; failures=$((failures + 1)); }

headers=$("${HX_OBJDUMP:-objdump}" -p "$exe")
grep -q 'Subsystem.*Windows GUI' <<<"$headers" || fail "not a Windows GUI program"
imports=$(bash "$here/../bench/pe-imports.sh" "$exe") || fail "its imports cannot be read"
grep -q . <<<"$imports" || fail "no imports found"
while read -r dll function; do
    [ -n "$dll" ] || continue
    [[ ${dll^^} =~ ^(KERNEL32|USER32|ADVAPI32|SETUPAPI|COMCTL32|COMDLG32)\.DLL$ ]] ||
        fail "DLL outside the platform: $dll ($function)"
    [[ $function == \#* ]] && fail "import by ordinal: $dll $function"
done <<<"$imports"

# The manifest is stored as its own UTF-8 text.
grep -qa 'level="requireAdministrator"' "$exe" || fail "the manifest does not ask for administrator rights"
bash "$here/../bench/check-exe-code-page.sh" "$exe" >/dev/null ||
    fail "the manifest does not make UTF-8 the process code page"
grep -qaE '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2<' "$exe" ||
    fail "the manifest does not declare per-monitor (v2) DPI awareness"
resources=$("${HX_WINDRES:-windres}" -J coff -i "$exe" -O rc 2>&1) || fail "no resources: $resources"
# The icon group's elements start with their widths, in octal (0 is 256).
sizes=$(sed -n 's/^ *"\\\([0-7]*\)\\.*Element no.*/\1/p' <<<"$resources" | xargs)
[ "$sizes" = "020 024 030 040 050 060 100 000" ] || fail "the icon's sizes are not 16 to 256: $sizes"
grep -q 'CAPTION "hxMonitor Settings"' <<<"$resources" || fail "no settings dialog"
for value in '"OriginalFilename", "hxMonitorSettings.exe"' "\"FileVersion\", \"$version\""; do
    grep -qF "VALUE $value" <<<"$resources" || fail "the version record lacks $value"
done

[ "$failures" -eq 0 ] && echo "$exe: GUI, $(grep -c . <<<"$imports") imports from platform DLLs, requireAdministrator, UTF-8 code page, version $version"
[ "$failures" -eq 0 ]
